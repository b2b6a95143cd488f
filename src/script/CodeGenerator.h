#pragma once

#include "data/CodeTree.h"

namespace velkaro {

// Turns the tree of a read text into the instructions that run it (tree.program, see
// data/CodeProgram.h). Running them does what walking the tree in the order of the text
// would: operands left to right, operators applied from the left, errors recorded at the
// places and moments the tree holds them, statements passed over still reporting the errors
// of form inside them.
void GenerateProgram(CodeTree& tree);

} // namespace velkaro
