#pragma once

#include <cstdint>

namespace velkaro {

// The operations of the running game that writing a game variable sets off. Script variable
// access only stores values; what a room change or a screen switch really does belongs to the
// game loop and the windows, which implement this.
class RuntimeControl {
public:
    virtual ~RuntimeControl() = default;

    // Requests room `room` after the current step; a room that does not exist ends the game
    // with a fatal error report.
    virtual void GotoRoom(std::int32_t room) = 0;
    // Full screen when `full` (and the display allows it), else a window.
    virtual void SetScreenMode(bool full) = 0;
    // Whether the player has asked the game to end (closed its window, pressed the quit key).
    // Game code that loops asks now and then: running on the thread that would handle the
    // request, it could otherwise never be stopped.
    virtual bool StopAsked() = 0;
};

} // namespace velkaro
