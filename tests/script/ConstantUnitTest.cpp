#include "script/ConstantUnit.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace velkaro {
namespace {

// Every constant game code can write, with the value games were written against.
std::map<std::string, double> ExpectedConstants() {
    std::map<std::string, double> expected = {
        {"true", 1},
        {"false", 0},
        {"pi", 3.141592653589793},
        {"c_aqua", 16776960},
        {"c_black", 0},
        {"c_blue", 16711680},
        {"c_dkgray", 8421504},
        {"c_fuchsia", 16711935},
        {"c_gray", 8421504},
        {"c_green", 32768},
        {"c_lime", 65280},
        {"c_ltgray", 12632256},
        {"c_maroon", 128},
        {"c_navy", 8388608},
        {"c_olive", 32896},
        {"c_purple", 8388736},
        {"c_red", 255},
        {"c_silver", 12632256},
        {"c_teal", 8421376},
        {"c_white", 16777215},
        {"c_yellow", 65535},
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
        {"vk_f1", 112},
        {"vk_f2", 113},
        {"vk_f3", 114},
        {"vk_f4", 115},
        {"vk_f5", 116},
        {"vk_f6", 117},
        {"vk_f7", 118},
        {"vk_f8", 119},
        {"vk_f9", 120},
        {"vk_f10", 121},
        {"vk_f11", 122},
        {"vk_f12", 123},
        {"vk_numpad0", 96},
        {"vk_numpad1", 97},
        {"vk_numpad2", 98},
        {"vk_numpad3", 99},
        {"vk_numpad4", 100},
        {"vk_numpad5", 101},
        {"vk_numpad6", 102},
        {"vk_numpad7", 103},
        {"vk_numpad8", 104},
        {"vk_numpad9", 105},
        {"ev_leftmouse", 0},
        {"ev_rightmouse", 1},
        {"ev_middlemouse", 2},
        {"ev_nomouse", 3},
        {"ev_alarm0", 0},
        {"ev_alarm1", 1},
        {"ev_alarm2", 2},
        {"ev_alarm3", 3},
        {"ev_outside", 0},
        {"ev_boundary", 1},
    };
    return expected;
}

TEST(Constants, EveryNameHasItsValueAsARealAndThereAreNoOthers) {
    auto expected = ExpectedConstants();
    for (const auto& [name, value] : expected) {
        RValue found = RValue::String("stale");
        ASSERT_TRUE(LookupConstant(name, found)) << name;
        EXPECT_EQ(found, RValue::Real(value)) << name;
    }

    const CVariableList& table = Constants();
    ASSERT_EQ(table.Count(), static_cast<int>(expected.size()));
    for (int i = 1; i <= table.Count(); ++i) {
        EXPECT_TRUE(expected.contains(table.Get(i).Name())) << table.Get(i).Name();
        EXPECT_EQ(table.Get(i).Length(), 1) << table.Get(i).Name();
    }
}

TEST(Constants, NamesAreCaseSensitiveAndExact) {
    const char* notConstants[] = {"C_RED",     "c_Red",      "True",   "PI",  "true ",
                                  " pi",       "vk_f0",      "vk_f13", "vk_", "vk_numpad10",
                                  "ev_alarm4", "c_darkgray", ""};
    for (const char* name : notConstants) {
        RValue found;
        EXPECT_FALSE(LookupConstant(name, found)) << name;
    }
}

} // namespace
} // namespace velkaro
