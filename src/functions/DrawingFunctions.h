#pragma once

#include "script/FunctionUnit.h"

namespace velkaro {

// Appends the 26 functions that draw shapes, text and sprites, keep the brush, pen and font,
// measure text and control the screen, in their fixed order.
void RegisterDrawingFunctions(CFunctionRegistry& registry);

} // namespace velkaro
