#pragma once

#include "script/FunctionUnit.h"

namespace velkaro {

// Appends the 30 functions that create, change, move and question instances, change rooms,
// set the score and the speed, and play sounds, in their fixed order.
void RegisterInstanceFunctions(CFunctionRegistry& registry);

} // namespace velkaro
