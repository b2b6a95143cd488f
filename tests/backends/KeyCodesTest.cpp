#include "backends/desktop/KeyCodes.h"
#include "backends/desktop/DesktopInput.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace velkaro {
namespace {

// Games compare against fixed Windows codes, so each family of keys must land on its own.
TEST(KeyCodes, EveryKeyFamilyGetsTheCodeGamesExpect) {
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_A + i), 'A' + i) << i;
    }
    // SDL puts 0 after 9, Windows before 1.
    EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_0), '0');
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_1 + i), '1' + i) << i;
    }
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_F1 + i), 112 + i) << i;
    }
    // The keypad digits are their own keys, apart from the row above the letters.
    EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_KP_0), 96);
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(VirtualKeyOfScancode(SDL_SCANCODE_KP_1 + i), 97 + i) << i;
    }
    const std::vector<std::pair<SDL_Scancode, int>> named = {
        {SDL_SCANCODE_KP_MULTIPLY, 106},
        {SDL_SCANCODE_KP_PLUS, 107},
        {SDL_SCANCODE_KP_MINUS, 109},
        {SDL_SCANCODE_KP_PERIOD, 110},
        {SDL_SCANCODE_KP_DIVIDE, 111},
        {SDL_SCANCODE_KP_ENTER, 13},
        {SDL_SCANCODE_RETURN, 13},
        {SDL_SCANCODE_LEFT, 37},
        {SDL_SCANCODE_UP, 38},
        {SDL_SCANCODE_RIGHT, 39},
        {SDL_SCANCODE_DOWN, 40},
        {SDL_SCANCODE_LSHIFT, 16},
        {SDL_SCANCODE_RSHIFT, 16},
        {SDL_SCANCODE_LCTRL, 17},
        {SDL_SCANCODE_RCTRL, 17},
        {SDL_SCANCODE_LALT, 18},
        {SDL_SCANCODE_RALT, 18},
        {SDL_SCANCODE_SEMICOLON, 186},
        {SDL_SCANCODE_EQUALS, 187},
        {SDL_SCANCODE_COMMA, 188},
        {SDL_SCANCODE_MINUS, 189},
        {SDL_SCANCODE_PERIOD, 190},
        {SDL_SCANCODE_SLASH, 191},
        {SDL_SCANCODE_GRAVE, 192},
        {SDL_SCANCODE_LEFTBRACKET, 219},
        {SDL_SCANCODE_BACKSLASH, 220},
        {SDL_SCANCODE_RIGHTBRACKET, 221},
        {SDL_SCANCODE_APOSTROPHE, 222},
        {SDL_SCANCODE_BACKSPACE, 8},
        {SDL_SCANCODE_TAB, 9},
        {SDL_SCANCODE_ESCAPE, 27},
        {SDL_SCANCODE_SPACE, 32},
        {SDL_SCANCODE_PAUSE, 19},
        {SDL_SCANCODE_PRINTSCREEN, 44},
        {SDL_SCANCODE_PAGEUP, 33},
        {SDL_SCANCODE_PAGEDOWN, 34},
        {SDL_SCANCODE_END, 35},
        {SDL_SCANCODE_HOME, 36},
        {SDL_SCANCODE_INSERT, 45},
        {SDL_SCANCODE_DELETE, 46},
    };
    for (const auto& [scancode, vk] : named) {
        EXPECT_EQ(VirtualKeyOfScancode(scancode), vk) << SDL_GetScancodeName(scancode);
    }
    for (const int unknown : {int{SDL_SCANCODE_UNKNOWN}, int{SDL_SCANCODE_MUTE},
                              int{SDL_SCANCODE_AUDIONEXT}, -1, int{SDL_NUM_SCANCODES}, 100000}) {
        EXPECT_EQ(VirtualKeyOfScancode(unknown), 0) << unknown;
    }
}

// keyboard_check_direct asks by code: either side of a modifier holds it, the keypad Enter is
// Enter, and keys games cannot see never make code 0 held.
TEST(KeyCodes, AKeyIsHeldWhileAnyKeyWithItsCodeIsDown) {
    std::array<std::uint8_t, SDL_NUM_SCANCODES> keyboard{};
    EXPECT_FALSE(VirtualKeyHeld(16, keyboard));

    keyboard[SDL_SCANCODE_RSHIFT] = 1;
    keyboard[SDL_SCANCODE_KP_ENTER] = 1;
    keyboard[SDL_SCANCODE_MUTE] = 1;
    keyboard[SDL_SCANCODE_KP_4] = 1;
    EXPECT_TRUE(VirtualKeyHeld(16, keyboard));
    EXPECT_TRUE(VirtualKeyHeld(161, keyboard)); // the right Shift alone
    EXPECT_FALSE(VirtualKeyHeld(160, keyboard));
    EXPECT_TRUE(VirtualKeyHeld(13, keyboard));
    EXPECT_TRUE(VirtualKeyHeld(100, keyboard));
    EXPECT_FALSE(VirtualKeyHeld('4', keyboard));
    EXPECT_FALSE(VirtualKeyHeld(37, keyboard)); // the keypad 4 is not the Left arrow
    EXPECT_FALSE(VirtualKeyHeld(17, keyboard));
    EXPECT_FALSE(VirtualKeyHeld(0, keyboard));
    EXPECT_FALSE(VirtualKeyHeld(-1, keyboard));
    EXPECT_FALSE(VirtualKeyHeld(100000, keyboard));

    keyboard[SDL_SCANCODE_LCTRL] = 1;
    keyboard[SDL_SCANCODE_RCTRL] = 1;
    EXPECT_TRUE(VirtualKeyHeld(17, keyboard));
    keyboard[SDL_SCANCODE_LCTRL] = 0;
    EXPECT_TRUE(VirtualKeyHeld(17, keyboard)) << "releasing one Control leaves the other held";

    // A state array shorter than the table (an older SDL) is read only as far as it goes.
    const std::span<const std::uint8_t> shorter(keyboard.data(), SDL_SCANCODE_A + 1);
    EXPECT_FALSE(VirtualKeyHeld(16, shorter));
}

// The tests run without a display: the player's input must answer, not crash or block.
TEST(KeyCodes, WithoutADisplayTheDesktopInputHoldsNothing) {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        GTEST_SKIP() << "SDL's video is up in this process";
    }
    DesktopInput input;
    EXPECT_FALSE(input.KeyDown('A'));
    EXPECT_FALSE(input.MouseButtonDown(1));
    EXPECT_FALSE(input.MouseButtonDown(4));
    EXPECT_EQ(input.ReadJoystick(), std::nullopt);
}

} // namespace
} // namespace velkaro
