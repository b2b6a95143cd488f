#include "script/ConstantUnit.h"

#include <numbers>
#include <string>

namespace velkaro {
namespace {

struct NamedValue {
    const char* name;
    double value;
};

// Colours are Windows colour values: red in the low byte, then green, then blue. The two
// greys look odd but are what games were written against: dkgray equals gray and ltgray
// equals silver.
constexpr NamedValue kFixedConstants[] = {
    {"true", 1},
    {"false", 0},
    {"pi", std::numbers::pi},

    {"c_aqua", 0xFFFF00},
    {"c_black", 0x000000},
    {"c_blue", 0xFF0000},
    {"c_dkgray", 0x808080},
    {"c_fuchsia", 0xFF00FF},
    {"c_gray", 0x808080},
    {"c_green", 0x008000},
    {"c_lime", 0x00FF00},
    {"c_ltgray", 0xC0C0C0},
    {"c_maroon", 0x000080},
    {"c_navy", 0x800000},
    {"c_olive", 0x008080},
    {"c_purple", 0x800080},
    {"c_red", 0x0000FF},
    {"c_silver", 0xC0C0C0},
    {"c_teal", 0x808000},
    {"c_white", 0xFFFFFF},
    {"c_yellow", 0x00FFFF},

    {"bs_hollow", 0},
    {"bs_solid", 1},
    {"bs_bdiagonal", 2},
    {"bs_fdiagonal", 3},
    {"bs_cross", 4},
    {"bs_diagcross", 5},
    {"bs_horizontal", 6},
    {"bs_vertical", 7},

    {"fs_normal", 0},
    {"fs_bold", 1},
    {"fs_italic", 2},
    {"fs_bolditalic", 3},
    {"fa_left", 0},
    {"fa_center", 1},
    {"fa_right", 2},

    {"mb_none", 0},
    {"mb_left", 1},
    {"mb_right", 2},
    {"mb_middle", 3},

    // Windows virtual-key codes, as the key variables hold them.
    {"vk_enter", 13},
    {"vk_return", 13},
    {"vk_shift", 16},
    {"vk_control", 17},
    {"vk_alt", 18},
    {"vk_escape", 27},
    {"vk_space", 32},
    {"vk_backspace", 8},
    {"vk_tab", 9},
    {"vk_pause", 19},
    {"vk_printscreen", 44},
    {"vk_left", 37},
    {"vk_right", 39},
    {"vk_up", 38},
    {"vk_down", 40},
    {"vk_home", 36},
    {"vk_end", 35},
    {"vk_delete", 46},
    {"vk_insert", 45},
    {"vk_pageup", 33},
    {"vk_pagedown", 34},
};

// Sub-event numbers for the event functions.
constexpr NamedValue kEventConstants[] = {
    {"ev_leftmouse", 0}, {"ev_rightmouse", 1}, {"ev_middlemouse", 2}, {"ev_nomouse", 3},
    {"ev_alarm0", 0},    {"ev_alarm1", 1},     {"ev_alarm2", 2},      {"ev_alarm3", 3},
    {"ev_outside", 0},   {"ev_boundary", 1},
};

constexpr int kFirstFunctionKey = 112; // vk_f1
constexpr int kFirstNumpadKey = 96;    // vk_numpad0

void AddConstant(CVariableList& table, const std::string& name, double value) {
    table.SetValue(name, RValue::Real(value), 0);
}

CVariableList BuildConstants() {
    CVariableList table;
    for (const auto& [name, value] : kFixedConstants) {
        AddConstant(table, name, value);
    }
    for (int key = 1; key <= 12; ++key) {
        AddConstant(table, "vk_f" + std::to_string(key), kFirstFunctionKey + key - 1);
    }
    for (int digit = 0; digit <= 9; ++digit) {
        AddConstant(table, "vk_numpad" + std::to_string(digit), kFirstNumpadKey + digit);
    }
    for (const auto& [name, value] : kEventConstants) {
        AddConstant(table, name, value);
    }
    return table;
}

} // namespace

const CVariableList& Constants() {
    static const CVariableList table = BuildConstants();
    return table;
}

bool LookupConstant(std::string_view name, RValue& value) {
    return Constants().GetValue(name, 0, value);
}

} // namespace velkaro
