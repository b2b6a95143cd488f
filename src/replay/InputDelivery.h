#pragma once

#include "backends/headless/InputScript.h"
#include "engine/WindowInput.h"

namespace velkaro {

// Hands one event of an input file to the window's handlers (joystick events are not window
// messages and are left to the caller).
void Deliver(GameState& game, WindowKeys& keys, const InputEvent& event);

} // namespace velkaro
