#pragma once

#include "script/FunctionUnit.h"

namespace velkaro {

// Appends the 21 functions through which game code talks to the player (pictures, videos and
// texts on the start/end screen window, the game information, the high-score table, message,
// question and input boxes) and reads the keyboard, mouse buttons and joystick directly, in
// their fixed order.
void RegisterInteractionFunctions(CFunctionRegistry& registry);

} // namespace velkaro
