#pragma once

#include <cstdint>
#include <optional>

namespace velkaro {

// Games see buttons 1 to 4 of a joystick.
constexpr int kJoystickButtons = 4;

// The joystick as it is at this moment.
struct JoystickState {
    // Axis positions, 0 at the left or top, 65535 at the right or bottom.
    std::int32_t x = 32768;
    std::int32_t y = 32768;
    // Bit n - 1 set while button n (1 to kJoystickButtons) is held.
    std::uint32_t buttons = 0;
};

// The keyboard, mouse and joystick as they are at this moment, whatever window is in front.
class DeviceInput {
public:
    virtual ~DeviceInput() = default;

    // Whether the key with this Windows virtual-key code is held.
    virtual bool KeyDown(std::int32_t key) = 0;
    // Whether mouse button 1 (left), 2 (right) or 3 (middle) is held.
    virtual bool MouseButtonDown(std::int32_t button) = 0;
    // Nothing when there is no joystick or it cannot be read.
    virtual std::optional<JoystickState> ReadJoystick() = 0;
};

} // namespace velkaro
