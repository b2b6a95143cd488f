#pragma once

#include "backends/headless/InputScript.h"
#include "engine/WindowInput.h"

#include <istream>
#include <string>

namespace velkaro {

// Hands one event of an input file to the window's handlers (joystick events are not window
// messages and are left to the caller).
void Deliver(GameState& game, WindowKeys& keys, const InputEvent& event);

// The text of an input file with the keys of its key_down and key_up lines that are given by
// name ("left", "space", "a") replaced by their codes, every line in its place. Throws
// InputFileError naming the line of a name no key has.
std::string WithKeyCodes(std::istream& in);

} // namespace velkaro
