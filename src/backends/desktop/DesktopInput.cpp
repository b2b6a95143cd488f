#include "backends/desktop/DesktopInput.h"

#include "backends/desktop/KeyCodes.h"
#include "base/UserSettings.h"

#include <SDL.h>

#include <array>
#include <filesystem>
#include <iostream>
#include <span>
#include <system_error>

namespace velkaro {
namespace {

bool HasDisplay() {
    return SDL_WasInit(SDL_INIT_VIDEO) != 0;
}

// SDL's axes run from -32768 to 32767; games expect 0 to 65535 with the centre at 32768.
std::int32_t AxisPosition(Sint16 value) {
    return static_cast<std::int32_t>(value) + 32768;
}

constexpr std::int32_t kAxisLeftOrTop = 0;
constexpr std::int32_t kAxisRightOrBottom = 65535;

// A controller's buttons in the order the game numbers them, 1 to kJoystickButtons: the four
// face buttons, by their place on the pad (A at the bottom, B right, X left, Y at the top).
constexpr std::array<SDL_GameControllerButton, kJoystickButtons> kControllerButtons = {
    SDL_CONTROLLER_BUTTON_A, SDL_CONTROLLER_BUTTON_B, SDL_CONTROLLER_BUTTON_X,
    SDL_CONTROLLER_BUTTON_Y};

// Adds the mappings the player keeps for pads that SDL's own list lacks (the lines of SDL's
// gamecontrollerdb.txt). A player without the file has nothing to add; one that cannot be read
// is said on the terminal, and the pads it names play as plain joysticks.
void AddUserMappings() {
    const std::filesystem::path config = UserConfigHome();
    if (config.empty()) {
        return;
    }
    const std::filesystem::path file = config / "velkaro" / "gamecontrollerdb.txt";
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        return;
    }
    // Not a regular file (a folder, or a pipe that would block the game's first read).
    if (!std::filesystem::is_regular_file(file, error)) {
        std::cerr << "velkaro: the gamepad mappings " << file.string() << " are not a file\n";
        return;
    }
    if (SDL_GameControllerAddMappingsFromFile(file.c_str()) < 0) {
        std::cerr << "velkaro: cannot read the gamepad mappings " << file.string() << " ("
                  << SDL_GetError() << ")\n";
    }
}

} // namespace

class DesktopInput::Joysticks {
public:
    // The game controller subsystem brings the joystick one with it. SDL itself adds the
    // mappings of SDL_GAMECONTROLLERCONFIG to its own list; the player's file comes on top.
    Joysticks() : ready_(SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0) {
        if (ready_) {
            AddUserMappings();
        }
    }

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

    // The first game controller, whose layout SDL knows, so that buttons 1 to 4 are the same
    // four buttons on every pad; else the first joystick that opens, read as it reports itself.
    void Open() {
        const int count = SDL_NumJoysticks();
        for (int index = 0; index < count && controller_ == nullptr; ++index) {
            if (SDL_IsGameController(index) == SDL_TRUE) {
                controller_ = SDL_GameControllerOpen(index);
            }
        }
        for (int index = 0; index < count && controller_ == nullptr && joystick_ == nullptr;
             ++index) {
            joystick_ = SDL_JoystickOpen(index);
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

    bool Held(SDL_GameControllerButton button) const {
        return SDL_GameControllerGetButton(controller_, button) != 0;
    }

    // The left stick, or the d-pad while one of its two directions on this axis is held: either
    // steers, and the d-pad always reaches the far end of the axis.
    std::int32_t Axis(SDL_GameControllerAxis stick, SDL_GameControllerButton towardsZero,
                      SDL_GameControllerButton towardsMax) const {
        if (Held(towardsZero)) {
            return kAxisLeftOrTop;
        }
        if (Held(towardsMax)) {
            return kAxisRightOrBottom;
        }
        return AxisPosition(SDL_GameControllerGetAxis(controller_, stick));
    }

    // Games read two axes and four buttons: the right stick, the triggers and the other
    // buttons have nothing to stand for.
    JoystickState ControllerState() const {
        JoystickState state;
        state.x = Axis(SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_BUTTON_DPAD_LEFT,
                       SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
        state.y = Axis(SDL_CONTROLLER_AXIS_LEFTY, SDL_CONTROLLER_BUTTON_DPAD_UP,
                       SDL_CONTROLLER_BUTTON_DPAD_DOWN);
        for (std::size_t i = 0; i < kControllerButtons.size(); ++i) {
            if (Held(kControllerButtons[i])) {
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
