#include "engine/WindowInput.h"

#include "world/GameState.h"

namespace velkaro {

void KeyDown(GameState& game, WindowKeys& keys, std::int32_t key) {
    // A special key switched off has code 0, which no key has: it then reaches the game.
    if (key == game.helpkey) {
        keys.ShowHelp();
    } else if (key == game.quitkey) {
        keys.Quit();
    } else if (key == game.screenkey) {
        keys.SetScreenMode(!game.fullscreenmode);
    } else {
        game.lastkeypressed = key;
        game.keypressed = key;
        game.last_key_down = key;
    }
}

void KeyUp(GameState& game, std::int32_t key) {
    // Releasing a key held before the last one leaves the last one held.
    if (key == game.last_key_down) {
        game.keypressed = 0;
    }
}

void CharTyped(GameState& game, const std::string& character) {
    game.lastcharpressed = character;
}

void MouseMove(GameState& game, std::int64_t x, std::int64_t y) {
    game.mousex =
        (static_cast<double>(x) - game.screen_offset_x) / game.screen_scale_x + game.view_x;
    game.mousey =
        (static_cast<double>(y) - game.screen_offset_y) / game.screen_scale_y + game.view_y;
}

void MouseDown(GameState& game, std::int32_t button, std::int64_t x, std::int64_t y) {
    MouseMove(game, x, y);
    game.mousebutton = button;
    game.mouse_press_unseen = true;
    game.mouse_release_waiting = false;
}

void MouseUp(GameState& game, std::int64_t x, std::int64_t y) {
    MouseMove(game, x, y);
    if (game.mouse_press_unseen) {
        game.mouse_release_waiting = true;
    } else {
        game.mousebutton = 0;
    }
}

void StepSawMouse(GameState& game) {
    game.mouse_press_unseen = false;
    if (game.mouse_release_waiting) {
        game.mouse_release_waiting = false;
        game.mousebutton = 0;
    }
}

void ForgetMouseButton(GameState& game) {
    game.mousebutton = 0;
    game.mouse_press_unseen = false;
    game.mouse_release_waiting = false;
}

} // namespace velkaro
