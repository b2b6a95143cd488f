#pragma once

#include "platform/Input.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace velkaro {

// The keyboard, mouse and first joystick or game controller, read from SDL at the moment of
// the call (the window's events are pumped for it, so on the thread that owns the window). Without
// a display (SDL's video not initialised) no key or button is held and there is no joystick. Used
// from one thread at a time.
//
// A game controller (a pad SDL has a mapping for: its own list, SDL_GAMECONTROLLERCONFIG, or
// the player's $XDG_CONFIG_HOME/velkaro/gamecontrollerdb.txt) is read by its layout: the left
// stick and the d-pad are the axes, A, B, X and Y the buttons 1 to 4. It is chosen over a
// device without a mapping, which is read as it reports itself: its first two axes and first
// four buttons.
class DesktopInput : public DeviceInput {
public:
    DesktopInput();
    ~DesktopInput() override;
    DesktopInput(const DesktopInput&) = delete;
    DesktopInput& operator=(const DesktopInput&) = delete;

    bool KeyDown(std::int32_t key) override;
    bool MouseButtonDown(std::int32_t button) override;
    // The device is opened on first use and whenever one is plugged in after none was open.
    std::optional<JoystickState> ReadJoystick() override;

private:
    // SDL's joystick subsystem, kept up while this lives, and the device open in it.
    class Joysticks;
    std::unique_ptr<Joysticks> joysticks_;
};

} // namespace velkaro
