#pragma once

#include "data/CodeTree.h"

#include <string>
#include <vector>

namespace velkaro {

class CFunctionRegistry;
struct GameData;

// An error in a game's code found without running it: where it stands and what it is.
struct CodeFinding {
    int object = 0; // object number, from 1
    std::string objectName;
    int row = 0;      // event row
    int sub = 0;      // sub-event
    int action = 0;   // action number in its list, from 1
    int argument = 0; // argument number, from 1
    ScriptError error;
};

// Prepares the game's actions as a game start does, with `functions` as the built-in functions,
// then walks every expression, quoted text and piece of code of every action that can run, in skip
// mode: nothing is evaluated, no variable read, no function called. Finds what the interpreter
// would report whenever the code runs (syntax, unknown functions, wrong argument counts, prefixes
// that name no object); errors that depend on values (types, division by 0) show only while the
// game runs.
std::vector<CodeFinding> CheckGameCode(GameData& game, const CFunctionRegistry& functions);

// "OBJECT, EVENT SUB, action N, argument K: line L pos P: MESSAGE" (game text, Windows-1252).
std::string DescribeFinding(const CodeFinding& finding);

// An event as reports name it: "Step event 0", keyboard events by their key ("Keyboard event
// left", "Keyboard event no key" for sub-event 0, the code for a key without a name), and
// "event row 7 sub-event 0" for the rows that have no name.
std::string DescribeEvent(int row, int sub);

} // namespace velkaro
