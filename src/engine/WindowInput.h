#pragma once

#include <cstdint>
#include <string>

namespace velkaro {

struct GameState;

// What the special keys set off in the window around the game.
class WindowKeys {
public:
    virtual ~WindowKeys() = default;

    // The help key: the game information, with the game suspended meanwhile.
    virtual void ShowHelp() = 0;
    // The quit key: the game ends after the step it is in.
    virtual void Quit() = 0;
    // The screen key: between window and full screen.
    virtual void SetScreenMode(bool full) = 0;
};

// The window's handlers: what keys and the mouse do to the input fields the steps read.
void KeyDown(GameState& game, WindowKeys& keys, std::int32_t key);
void KeyUp(GameState& game, std::int32_t key);
void CharTyped(GameState& game, const std::string& character);
// X and Y in client pixels; `button` 1 left, 2 right, 3 middle.
void MouseMove(GameState& game, std::int64_t x, std::int64_t y);
void MouseDown(GameState& game, std::int32_t button, std::int64_t x, std::int64_t y);
// A release that comes before a step has seen the press waits for that step's end.
void MouseUp(GameState& game, std::int64_t x, std::int64_t y);
// At the end of each step: the press has been seen, and a release that waited takes effect.
void StepSawMouse(GameState& game);
// No button held, none pressed: a new room, or the game going on after a box.
void ForgetMouseButton(GameState& game);

} // namespace velkaro
