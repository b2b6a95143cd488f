#pragma once

#include "script/FunctionUnit.h"

namespace velkaro {

// The messages of names that could leave the data folder. Any "\" or "/" in the name (for
// programs also in the argument text) refuses it.
inline const char* const kCannotWriteElsewhere =
    "You cannot write files in other folders than the game folder.";
inline const char* const kCannotDeleteElsewhere =
    "You cannot delete files in other folders than the game folder.";
inline const char* const kCannotExecuteElsewhere =
    "You cannot execute programs in other folders than the game folder.";

// Appends the 11 functions that keep values in text files of the data folder, reach the saved
// values and start other programs, in their fixed order.
void RegisterFileFunctions(CFunctionRegistry& registry);

} // namespace velkaro
