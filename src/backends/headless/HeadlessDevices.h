#pragma once

#include "backends/headless/InputScript.h"
#include "platform/Input.h"

#include <array>
#include <cstdint>
#include <optional>

namespace velkaro {

// The keyboard, mouse and joystick of a headless run, as the input file has left them: a key
// is held from its key_down line to its key_up line, and so is a mouse button.
class HeadlessDevices : public DeviceInput {
public:
    // Follows one event of the input file.
    void Apply(const InputEvent& event);

    bool KeyDown(std::int32_t key) override;
    bool MouseButtonDown(std::int32_t button) override;
    // None until the input file sets the joystick.
    std::optional<JoystickState> ReadJoystick() override { return joystick_; }

private:
    static constexpr int kKeyCodes = 256;
    static constexpr int kButtons = 3;

    std::array<bool, kKeyCodes> keys_{};
    std::array<bool, kButtons> buttons_{};
    std::optional<JoystickState> joystick_;
};

} // namespace velkaro
