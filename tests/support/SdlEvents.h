#pragma once

// Events as SDL delivers them, made by hand for the tests of the desktop's windows, and what
// those tests look at in the pictures they draw.

#include "base/Bitmap.h"

#include <SDL.h>

#include <cstring>
#include <iostream>
#include <sstream>

namespace velkaro::test {

// A key pressed, in a window (0: tied to none), or held and repeating.
inline SDL_Event KeyEvent(SDL_Keycode key, Uint16 modifiers = KMOD_NONE, Uint32 window = 0,
                          bool repeated = false) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = window;
    event.key.keysym.sym = key;
    event.key.keysym.mod = modifiers;
    event.key.repeat = repeated ? 1 : 0;
    return event;
}

inline SDL_Event TextEvent(const char* utf8, Uint32 window = 0) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = window;
    std::strncpy(event.text.text, utf8, sizeof(event.text.text) - 1);
    return event;
}

inline SDL_Event WindowEvent(Uint8 what, Uint32 window = 0) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = window;
    event.window.event = what;
    return event;
}

// A move (SDL_MOUSEMOTION) or a button going down or up, at (x, y).
inline SDL_Event MouseEvent(Uint32 type, int x, int y, Uint8 button = SDL_BUTTON_LEFT,
                            Uint32 window = 0) {
    SDL_Event event{};
    event.type = type;
    if (type == SDL_MOUSEMOTION) {
        event.motion.windowID = window;
        event.motion.x = x;
        event.motion.y = y;
    } else {
        event.button.windowID = window;
        event.button.button = button;
        event.button.x = x;
        event.button.y = y;
    }
    return event;
}

// How many pixels of the box (x, y, width, height) have this value.
template <typename Area> int CountPixels(const Bitmap& picture, const Area& area, Pixel pixel) {
    int count = 0;
    for (int y = area.y; y < area.y + area.height; ++y) {
        for (int x = area.x; x < area.x + area.width; ++x) {
            count += picture.At(x, y) == pixel ? 1 : 0;
        }
    }
    return count;
}

// Standard error into a string for as long as it lives.
class StandardErrorTo {
public:
    explicit StandardErrorTo(std::ostringstream& out) : saved_(std::cerr.rdbuf(out.rdbuf())) {}
    ~StandardErrorTo() { std::cerr.rdbuf(saved_); }
    StandardErrorTo(const StandardErrorTo&) = delete;
    StandardErrorTo& operator=(const StandardErrorTo&) = delete;

private:
    std::streambuf* saved_;
};

} // namespace velkaro::test
