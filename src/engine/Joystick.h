#pragma once

#include "platform/Input.h"

#include <cstdint>
#include <optional>

namespace velkaro {

// The joystick as games see it: each axis in three bands (below 20000, up to 44000, above),
// which together give a direction named after the numeric keypad's keys.

// The key code of the stick's direction: the numeric keypad's 97..105, 101 when centred (its
// rows from the top: 7 8 9 up, 4 5 6 level, 1 2 3 down).
std::int32_t JoystickDirectionKey(const JoystickState& state);

// The key code the joystick raises keyboard events for: the direction's key when the stick is
// off centre, the letters A to D (65..68) for the buttons 1 to 4, the highest held button
// winning over everything; 0 when the stick is centred and no button is held, or there is no
// joystick.
std::int32_t JoystickCode(const std::optional<JoystickState>& state);

// Whether button `button` (1 to 4) is held.
bool JoystickButtonDown(const JoystickState& state, std::int32_t button);

} // namespace velkaro
