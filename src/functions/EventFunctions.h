#pragma once

#include "script/FunctionUnit.h"

namespace velkaro {

// Appends the 10 functions that run an event of chosen instances at once, in their fixed
// order.
void RegisterEventFunctions(CFunctionRegistry& registry);

} // namespace velkaro
