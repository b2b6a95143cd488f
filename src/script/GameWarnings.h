#pragma once

#include <string>
#include <vector>

namespace velkaro {

class CFunctionRegistry;
struct GameData;

// Something a game holds that is allowed, but that cannot do what it seems meant to do: a
// variable read that nothing assigns, a read-only variable written, a speed that moves nothing,
// an event that never runs. Where it stands, as far as it applies (0 where it does not: an
// event as a whole has no action, an action's argument as a whole no line), and why, in words
// for the game's author.
struct GameWarning {
    int object = 0; // object number, from 1
    std::string objectName;
    int row = 0;      // event row
    int sub = 0;      // sub-event
    int action = 0;   // action number in its list, from 1
    int argument = 0; // argument number, from 1
    int line = 0;     // line in the argument's text, from 1
    int position = 0; // position in that line
    std::string why;
};

// Looks over the whole game without running it, after preparing the game's actions as
// CheckGameCode does (with `functions` as the built-in functions), and answers the likely
// mistakes in the order of their places. Stays on the safe side: a warning only where nothing
// anywhere in the game could make the thing work, so a game may hold mistakes it does not find.
std::vector<GameWarning> FindLikelyMistakes(GameData& game, const CFunctionRegistry& functions);

// "warning: OBJECT, EVENT, action N, argument K: line L pos P: WHY", leaving out what does not
// apply (game text, Windows-1252).
std::string DescribeWarning(const GameWarning& warning);

} // namespace velkaro
