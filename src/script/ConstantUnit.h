#pragma once

#include "base/VariableClass.h"

#include <string_view>

namespace velkaro {

// The named constants of game code ("c_red", "vk_left", "true"...), each a real held as
// element 0 of its variable. Built on first use and never changed afterwards.
const CVariableList& Constants();

// True and the constant's value when a constant has exactly that (case-sensitive) name.
bool LookupConstant(std::string_view name, RValue& value);

} // namespace velkaro
