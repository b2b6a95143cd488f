#include "base/KeyNames.h"

#include <algorithm>
#include <array>

namespace velkaro {
namespace {

constexpr auto kNames = std::to_array<KeyName>({
    {"backspace", 8},
    {"tab", 9},
    {"enter", 13},
    {"shift", 16},
    {"control", 17},
    {"alt", 18},
    {"pause", 19},
    {"capslock", 20},
    {"escape", 27},
    {"space", 32},
    {"pageup", 33},
    {"pagedown", 34},
    {"end", 35},
    {"home", 36},
    {"left", 37},
    {"up", 38},
    {"right", 39},
    {"down", 40},
    {"printscreen", 44},
    {"insert", 45},
    {"delete", 46},
    {"digit0", 48},
    {"digit1", 49},
    {"digit2", 50},
    {"digit3", 51},
    {"digit4", 52},
    {"digit5", 53},
    {"digit6", 54},
    {"digit7", 55},
    {"digit8", 56},
    {"digit9", 57},
    {"a", 65},
    {"b", 66},
    {"c", 67},
    {"d", 68},
    {"e", 69},
    {"f", 70},
    {"g", 71},
    {"h", 72},
    {"i", 73},
    {"j", 74},
    {"k", 75},
    {"l", 76},
    {"m", 77},
    {"n", 78},
    {"o", 79},
    {"p", 80},
    {"q", 81},
    {"r", 82},
    {"s", 83},
    {"t", 84},
    {"u", 85},
    {"v", 86},
    {"w", 87},
    {"x", 88},
    {"y", 89},
    {"z", 90},
    {"numpad0", 96},
    {"numpad1", 97},
    {"numpad2", 98},
    {"numpad3", 99},
    {"numpad4", 100},
    {"numpad5", 101},
    {"numpad6", 102},
    {"numpad7", 103},
    {"numpad8", 104},
    {"numpad9", 105},
    {"multiply", 106},
    {"add", 107},
    {"subtract", 109},
    {"decimal", 110},
    {"divide", 111},
    {"f1", 112},
    {"f2", 113},
    {"f3", 114},
    {"f4", 115},
    {"f5", 116},
    {"f6", 117},
    {"f7", 118},
    {"f8", 119},
    {"f9", 120},
    {"f10", 121},
    {"f11", 122},
    {"f12", 123},
    {"numlock", 144},
    {"scrolllock", 145},
    {"semicolon", 186},
    {"equals", 187},
    {"comma", 188},
    {"minus", 189},
    {"period", 190},
    {"slash", 191},
    {"backquote", 192},
    {"leftbracket", 219},
    {"backslash", 220},
    {"rightbracket", 221},
    {"quote", 222},
});

constexpr auto kOtherNames = std::to_array<KeyName>({
    {"return", 13},
    {"esc", 27},
    {"ctrl", 17},
    {"oem_1", 186},
    {"oem_plus", 187},
    {"oem_comma", 188},
    {"oem_minus", 189},
    {"oem_period", 190},
    {"oem_2", 191},
    {"oem_3", 192},
    {"oem_4", 219},
    {"oem_5", 220},
    {"oem_6", 221},
    {"oem_7", 222},
});

static_assert(std::adjacent_find(kNames.begin(), kNames.end(),
                                 [](const KeyName& a, const KeyName& b) {
                                     return a.code >= b.code;
                                 }) == kNames.end(),
              "the names are in the order of their codes, one a code");

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

} // namespace

std::optional<int> KeyCodeOfName(std::string_view name) {
    for (const KeyName& key : kNames) {
        if (SameIgnoringCase(key.name, name)) {
            return key.code;
        }
    }
    for (const KeyName& key : kOtherNames) {
        if (SameIgnoringCase(key.name, name)) {
            return key.code;
        }
    }
    return std::nullopt;
}

std::string_view NameOfKeyCode(int code) {
    const auto found = std::lower_bound(kNames.begin(), kNames.end(), code,
                                        [](const KeyName& key, int c) { return key.code < c; });
    return found != kNames.end() && found->code == code ? found->name : std::string_view();
}

std::span<const KeyName> KeyNames() {
    return kNames;
}

std::span<const KeyName> OtherKeyNames() {
    return kOtherNames;
}

} // namespace velkaro
