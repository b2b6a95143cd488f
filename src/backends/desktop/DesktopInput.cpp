#include "backends/desktop/DesktopInput.h"

#include "backends/desktop/KeyCodes.h"

#include <SDL.h>

#include <array>
#include <span>

namespace velkaro {
namespace {

bool HasDisplay() {
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

// SDL's axes run from -32768 to 32767; games expect 0 to 65535 with the centre at 32768.
std::int32_t AxisPosition(Sint16 value) {
    return static_cast<std::int32_t>(value) + 32768;
}

} // namespace

class DesktopInput::Joysticks {
public:
    // The game controller subsystem brings the joystick one with it.
    Joysticks() : ready_(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0) {}

    ~Joysticks() {
        // SDL_Quit closes every device itself; closing one again would free it twice.
        if (SDL_WasInit(SDL_INIT_GAMECONTROLLER) != 0) {
            Close();
        }
        if (ready_) {
            SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
        }
    }
    Joysticks(const Joysticks&) = delete;
    Joysticks& operator=(const Joysticks&) = delete;

    std::optional<JoystickState> Read() {
        if (!ready_) {
            return std::nullopt;
        }
        if (!Attached()) {
            Close();
            Open();
        }
        if (controller_ != nullptr) {
            return ControllerState();
        }
        if (joystick_ != nullptr) {
            return JoystickStateOf();
        }
        return std::nullopt;
    }

private:
    bool Attached() const {
        if (controller_ != nullptr) {
            return SDL_GameControllerGetAttached(controller_) == SDL_TRUE;
        }
        return joystick_ != nullptr && SDL_JoystickGetAttached(joystick_) == SDL_TRUE;
    }

    // The first device that opens, as a game controller when SDL knows its layout, so that
    // buttons 1 to 4 are the same four buttons on every pad.
    void Open() {
        const int count = SDL_NumJoysticks();
        for (int index = 0; index < count; ++index) {
            if (SDL_IsGameController(index) == SDL_TRUE) {
                controller_ = SDL_GameControllerOpen(index);
                if (controller_ != nullptr) {
                    return;
                }
            }
            joystick_ = SDL_JoystickOpen(index);
            if (joystick_ != nullptr) {
                return;
            }
        }
    }

    void Close() {
        if (controller_ != nullptr) {
            SDL_GameControllerClose(controller_);
            controller_ = nullptr;
        }
        if (joystick_ != nullptr) {
            SDL_JoystickClose(joystick_);
            joystick_ = nullptr;
        }
    }

    JoystickState ControllerState() const {
        constexpr std::array<SDL_GameControllerButton, kJoystickButtons> kButtons = {
            SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_B, SDL_CONTROLLER_BUTTON_X,
            SDL_CONTROLLER_BUTTON_Y};
        JoystickState state;
        state.x = AxisPosition(SDL_GameControllerGetAxis(controller_, SDL_CONTROLLER_AXIS_LEFTX));
        state.y = AxisPosition(SDL_GameControllerGetAxis(controller_, SDL_CONTROLLER_AXIS_LEFTY));
        for (int i = 0; i < kJoystickButtons; ++i) {
            if (SDL_GameControllerGetButton(controller_, kButtons[static_cast<std::size_t>(i)]) !=
                0) {
                state.buttons |= 1u << i;
            }
        }
        return state;
    }

    JoystickState JoystickStateOf() const {
        JoystickState state;
        const int axes = SDL_JoystickNumAxes(joystick_);
        if (axes > 0) {
            state.x = AxisPosition(SDL_JoystickGetAxis(joystick_, 0));
        }
        if (axes > 1) {
            state.y = AxisPosition(SDL_JoystickGetAxis(joystick_, 1));
        }
        const int buttons = SDL_JoystickNumButtons(joystick_);
        for (int i = 0; i < kJoystickButtons && i < buttons; ++i) {
            if (SDL_JoystickGetButton(joystick_, i) != 0) {
                state.buttons |= 1u << i;
            }
        }
        return state;
    }

    bool ready_;
    SDL_GameController* controller_ = nullptr;
    SDL_Joystick* joystick_ = nullptr;
};

DesktopInput::DesktopInput() = default;
DesktopInput::~DesktopInput() = default;

bool DesktopInput::KeyDown(std::int32_t key) {
    if (!HasDisplay()) {
        return false;
    }
    // SDL learns of keys as the window's events are pumped: pump, so that game code waiting in
    // a loop for a key sees it go down.
    SDL_PumpEvents();
    int count = 0;
    const Uint8* keyboard = SDL_GetKeyboardState(&count);
    if (keyboard == nullptr || count <= 0) {
        return false;
    }
    return VirtualKeyHeld(key, std::span(keyboard, static_cast<std::size_t>(count)));
}

bool DesktopInput::MouseButtonDown(std::int32_t button) {
    if (!HasDisplay()) {
        return false;
    }
    Uint32 mask = 0;
    switch (button) {
    case 1:
        mask = SDL_BUTTON_LMASK;
        break;
    case 2:
        mask = SDL_BUTTON_RMASK;
        break;
    case 3:
        mask = SDL_BUTTON_MMASK;
        break;
    default:
        return false;
    }
    SDL_PumpEvents();
    return (SDL_GetMouseState(nullptr, nullptr) & mask) != 0;
}

std::optional<JoystickState> DesktopInput::ReadJoystick() {
    // Without the game window there is no player in front of it to read a device for.
    if (!HasDisplay()) {
        return std::nullopt;
    }
    if (joysticks_ == nullptr) {
        joysticks_ = std::make_unique<Joysticks>();
    }
    SDL_PumpEvents();
    return joysticks_->Read();
}

} // namespace velkaro
