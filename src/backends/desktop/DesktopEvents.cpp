#include "backends/desktop/DesktopEvents.h"

#include "backends/desktop/DesktopScreen.h"
#include "backends/desktop/KeyCodes.h"
#include "base/AnsiText.h"

#include <SDL.h>

namespace velkaro {
namespace {

// How long a loop sleeps in its wait for events before it asks `done` again anyway.
constexpr int kWaitSlice = 100;

// Windows sends a character with these keys as well as the key; SDL's text input does not.
// Games that build a typed text from the last character rely on them.
char ControlCharacterOfKey(SDL_Keycode key) {
    switch (key) {
    case SDLK_BACKSPACE:
        return '\b';
    case SDLK_TAB:
        return '\t';
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return '\r';
    case SDLK_ESCAPE:
        return '\x1b';
    default:
        return 0;
    }
}

// SDL numbers the middle button 2 and the right one 3; games the other way round.
int GameButton(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT:
        return 1;
    case SDL_BUTTON_RIGHT:
        return 2;
    case SDL_BUTTON_MIDDLE:
        return 3;
    default:
        return 0;
    }
}

} // namespace

DesktopEvents::DesktopEvents(DesktopScreen& screen)
    : screen_(screen), wakeEvent_(SDL_RegisterEvents(1)), calls_([this] { Wake(); }) {}

DesktopEvents::~DesktopEvents() {
    // Whoever still waits for a call is let go: no loop will serve it.
    calls_.Close();
}

void DesktopEvents::Wake() {
    if (wakeEvent_ == static_cast<std::uint32_t>(-1)) {
        return;
    }
    SDL_Event event{};
    event.type = wakeEvent_;
    SDL_PushEvent(&event);
}

void DesktopEvents::Run(const std::function<bool()>& done) {
    calls_.RunPending();
    while (!done()) {
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, kWaitSlice) != 0) {
            HandleOwn(event, false);
        }
        calls_.RunPending();
    }
}

void DesktopEvents::ServePending() {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        HandleOwn(event, false);
    }
    calls_.RunPending();
}

std::optional<SDL_Event> DesktopEvents::NextModalEvent(int timeoutMs) {
    const Uint32 start = SDL_GetTicks();
    for (;;) {
        const int elapsed = static_cast<int>(SDL_GetTicks() - start);
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, std::max(0, timeoutMs - elapsed)) == 0) {
            calls_.RunPending();
            return std::nullopt;
        }
        if (!HandleOwn(event, true)) {
            return event;
        }
        calls_.RunPending();
        if (static_cast<int>(SDL_GetTicks() - start) >= timeoutMs) {
            return std::nullopt;
        }
    }
}

ModalEventSource DesktopEvents::ModalEvents() {
    return [this](int timeoutMs) { return NextModalEvent(timeoutMs); };
}

void DesktopEvents::ServeModal() {
    while (NextModalEvent(0)) {
    }
}

bool DesktopEvents::HandleOwn(const SDL_Event& event, bool modal) {
    if (event.type == wakeEvent_) {
        calls_.RunPending();
        return true;
    }
    // A box over the game's window takes the keyboard back from it, whoever gave it the focus.
    ModalWindow::KeepKeyboardOver(screen_.Window(), event);
    const std::uint32_t game = screen_.WindowId();
    switch (event.type) {
    case SDL_QUIT:
        // Asked by the desktop (the program's last window closed, an interrupt or a terminate
        // signal): the game ends as when its window is closed. A modal window gets it too.
        if (handlers_ != nullptr) {
            handlers_->CloseAsked();
        }
        return !modal;
    case SDL_WINDOWEVENT:
        if (event.window.windowID != game) {
            return false;
        }
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            if (handlers_ != nullptr) {
                handlers_->CloseAsked();
            }
            break;
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            // The last frame again: the game's code never runs for a repaint.
            screen_.Repaint();
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            if (handlers_ != nullptr && !modal) {
                handlers_->FocusLost();
            }
            break;
        default:
            break;
        }
        return true;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        if (event.key.windowID != game) {
            return false;
        }
        break;
    case SDL_TEXTINPUT:
        if (event.text.windowID != game) {
            return false;
        }
        break;
    case SDL_MOUSEMOTION:
        if (event.motion.windowID != game) {
            return false;
        }
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event.button.windowID != game) {
            return false;
        }
        break;
    default:
        // Joysticks come and go as the input asks for them; the rest concerns no window of ours
        // or a modal window's own.
        return !modal;
    }
    if (!modal && handlers_ != nullptr) {
        HandleInput(event);
    }
    return true;
}

void DesktopEvents::HandleInput(const SDL_Event& event) {
    switch (event.type) {
    case SDL_KEYDOWN: {
        const std::int32_t key = VirtualKeyOfScancode(event.key.keysym.scancode);
        if (key != 0) {
            handlers_->KeyDown(key);
        }
        if (const char control = ControlCharacterOfKey(event.key.keysym.sym); control != 0) {
            handlers_->CharTyped(control);
        }
        break;
    }
    case SDL_KEYUP: {
        const std::int32_t key = VirtualKeyOfScancode(event.key.keysym.scancode);
        if (key != 0) {
            handlers_->KeyUp(key);
        }
        break;
    }
    case SDL_TEXTINPUT: {
        // One character at a time, in the game's code page; what it cannot hold is dropped.
        for (const char character : Utf8ToAnsiDroppingOthers(event.text.text)) {
            handlers_->CharTyped(character);
        }
        break;
    }
    case SDL_MOUSEMOTION:
        handlers_->MouseMove(event.motion.x, event.motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
        if (const int button = GameButton(event.button.button); button != 0) {
            handlers_->MouseDown(button, event.button.x, event.button.y);
        }
        break;
    case SDL_MOUSEBUTTONUP:
        handlers_->MouseUp(GameButton(event.button.button), event.button.x, event.button.y);
        break;
    default:
        break;
    }
}

} // namespace velkaro
