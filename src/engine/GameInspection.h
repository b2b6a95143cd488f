#pragma once

#include <string>
#include <vector>

namespace velkaro {

class CInstance;
struct GameState;

// What a game author's debug view reads of a running game, between its steps.

// The live instance drawn on top at the room position (x, y): of those whose bounding box or
// drawn picture holds the point, the one with the lowest depth, the later made when depths are
// equal. Null when none.
const CInstance* InstanceAt(const GameState& game, double x, double y);

// Every variable the instance holds, one "name = value" line each: the built-in ones in the
// reference's order, then the game's own in the order the game made them. Strings are quoted;
// arrays show their first elements.
std::vector<std::string> InstanceVariables(const GameState& game, const CInstance& instance);

} // namespace velkaro
