#include "base/KeyNames.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace velkaro {
namespace {

TEST(KeyNames, EveryNameGoesToItsCodeAndBack) {
    std::set<std::string_view> names;
    std::set<int> codes;
    for (const KeyName& key : KeyNames()) {
        EXPECT_EQ(KeyCodeOfName(key.name), key.code) << key.name;
        EXPECT_EQ(NameOfKeyCode(key.code), key.name) << key.code;
        EXPECT_TRUE(names.insert(key.name).second) << "twice: " << key.name;
        EXPECT_TRUE(codes.insert(key.code).second) << "twice: " << key.code;
        EXPECT_GT(key.code, 0);
        EXPECT_LT(key.code, 256);
    }
    // The other names reach the code of one of the names, never a name of their own.
    for (const KeyName& key : OtherKeyNames()) {
        EXPECT_FALSE(names.contains(key.name)) << key.name;
        EXPECT_EQ(KeyCodeOfName(key.name), key.code) << key.name;
        EXPECT_NE(NameOfKeyCode(key.code), "") << key.name;
    }
}

TEST(KeyNames, NameTheCodesThePlayerDeliversForTheKeysOfAUsKeyboard) {
    const std::vector<std::pair<std::string, int>> keys = {
        {"left", 37},      {"up", 38},        {"right", 39},     {"down", 40},
        {"space", 32},     {"enter", 13},     {"escape", 27},    {"tab", 9},
        {"backspace", 8},  {"shift", 16},     {"control", 17},   {"alt", 18},
        {"insert", 45},    {"delete", 46},    {"home", 36},      {"end", 35},
        {"pageup", 33},    {"pagedown", 34},  {"pause", 19},     {"printscreen", 44},
        {"f1", 112},       {"f12", 123},      {"a", 65},         {"z", 90},
        {"digit0", 48},    {"digit9", 57},    {"numpad0", 96},   {"numpad9", 105},
        {"semicolon", 186}, {"equals", 187},  {"comma", 188},    {"minus", 189},
        {"period", 190},   {"slash", 191},    {"backquote", 192}, {"leftbracket", 219},
        {"backslash", 220}, {"rightbracket", 221}, {"quote", 222}, {"oem_plus", 187},
        {"oem_7", 222},    {"return", 13},    {"esc", 27},       {"ctrl", 17},
    };
    for (const auto& [name, code] : keys) {
        EXPECT_EQ(KeyCodeOfName(name), code) << name;
    }
    // Every letter, digit, function and keypad key in its run.
    for (int k = 0; k < 26; ++k) {
        EXPECT_EQ(KeyCodeOfName(std::string(1, static_cast<char>('a' + k))), 65 + k);
    }
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(KeyCodeOfName("digit" + std::to_string(k)), 48 + k);
        EXPECT_EQ(KeyCodeOfName("numpad" + std::to_string(k)), 96 + k);
    }
    for (int k = 1; k <= 12; ++k) {
        EXPECT_EQ(KeyCodeOfName("f" + std::to_string(k)), 111 + k);
    }
}

TEST(KeyNames, IgnoreCaseAndKnowNothingElse) {
    EXPECT_EQ(KeyCodeOfName("LEFT"), 37);
    EXPECT_EQ(KeyCodeOfName("PageUp"), 33);
    EXPECT_EQ(KeyCodeOfName("OEM_1"), 186);
    for (const char* unknown : {"", "lef", "left ", "37", "1", "f13", "numpad", "digit10", "é"}) {
        EXPECT_EQ(KeyCodeOfName(unknown), std::nullopt) << unknown;
    }
    for (int code : {0, 1, 7, 47, 58, 64, 91, 108, 124, 255, 256, -1}) {
        EXPECT_EQ(NameOfKeyCode(code), "") << code;
    }
}

} // namespace
} // namespace velkaro
