#pragma once

#include "script/FunctionUnit.h"

namespace velkaro {

// A registry holding every table of built-in functions in their fixed order.
CFunctionRegistry BuildFunctionRegistry();

// The program's registry, built on first use.
const CFunctionRegistry& FunctionRegistry();

} // namespace velkaro
