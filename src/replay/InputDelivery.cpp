#include "replay/InputDelivery.h"

#include "world/GameState.h"

namespace velkaro {

void Deliver(GameState& game, WindowKeys& keys, const InputEvent& event) {
    switch (event.kind) {
    case InputEvent::Kind::KeyDown:
        KeyDown(game, keys, static_cast<std::int32_t>(event.a));
        break;
    case InputEvent::Kind::KeyUp:
        KeyUp(game, static_cast<std::int32_t>(event.a));
        break;
    case InputEvent::Kind::Char:
        CharTyped(game, event.text);
        break;
    case InputEvent::Kind::MouseMove:
        MouseMove(game, event.b, event.c);
        break;
    case InputEvent::Kind::MouseDown:
        MouseDown(game, static_cast<std::int32_t>(event.a), event.b, event.c);
        break;
    case InputEvent::Kind::MouseUp:
        MouseUp(game, event.b, event.c);
        break;
    case InputEvent::Kind::Joystick:
    case InputEvent::Kind::NoJoystick:
        break;
    }
}

} // namespace velkaro
