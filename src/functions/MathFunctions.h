#pragma once

#include "script/FunctionUnit.h"

namespace velkaro {

// Appends the 39 functions on numbers and strings, in their fixed order.
void RegisterMathFunctions(CFunctionRegistry& registry);

} // namespace velkaro
