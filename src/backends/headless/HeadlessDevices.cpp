#include "backends/headless/HeadlessDevices.h"

namespace velkaro {

void HeadlessDevices::Apply(const InputEvent& event) {
    auto inRange = [](std::int64_t value, int count) { return value >= 0 && value < count; };
    switch (event.kind) {
    case InputEvent::Kind::KeyDown:
    case InputEvent::Kind::KeyUp:
        if (inRange(event.a, kKeyCodes)) {
            keys_[static_cast<std::size_t>(event.a)] = event.kind == InputEvent::Kind::KeyDown;
        }
        break;
    case InputEvent::Kind::MouseDown:
    case InputEvent::Kind::MouseUp:
        if (inRange(event.a - 1, kButtons)) {
            buttons_[static_cast<std::size_t>(event.a - 1)] =
                event.kind == InputEvent::Kind::MouseDown;
        }
        break;
    case InputEvent::Kind::Joystick:
        joystick_ =
            JoystickState{static_cast<std::int32_t>(event.a), static_cast<std::int32_t>(event.b),
                          static_cast<std::uint32_t>(event.c)};
        break;
    case InputEvent::Kind::NoJoystick:
        joystick_.reset();
        break;
    case InputEvent::Kind::Char:
    case InputEvent::Kind::MouseMove:
        break;
    }
}

bool HeadlessDevices::KeyDown(std::int32_t key) {
    return key >= 0 && key < kKeyCodes && keys_[static_cast<std::size_t>(key)];
}

bool HeadlessDevices::MouseButtonDown(std::int32_t button) {
    return button >= 1 && button <= kButtons && buttons_[static_cast<std::size_t>(button - 1)];
}

} // namespace velkaro
