#pragma once

#include "engine/DrawingUnit.h"
#include "engine/GameServices.h"
#include "engine/RoomOperations.h"
#include "engine/ShellOperations.h"
#include "script/ErrorReport.h"
#include "script/EventRunner.h"
#include "script/InterpretUnit.h"
#include "script/SavedValues.h"
#include "world/GameState.h"
#include "world/RuntimeControl.h"

namespace velkaro {

// The parts of one running game, as the built-in functions and the actions reach them: built
// once by the game that owns them and there for as long as it lives, so a handler never has
// to ask whether a part is wired. The layers below the engine hand it on without looking in.
struct GameParts {
    GameState& state;
    // Evaluates the arguments of actions and runs their code.
    CInterpreter& interpreter;
    // Runs another event from inside an action or a function.
    EventRunner& events;
    // Where what goes wrong outside code is reported (a sound that cannot be read...).
    GameErrorSink& errors;
    // Creates, destroys and changes instances, changes rooms.
    RoomOperations& rooms;
    // Plays sounds, shows boxes, holds the game up.
    ShellOperations& shell;
    // The room's picture and game code's drawing state.
    CDrawingUnit& drawing;
    // The table that "read" and "write" reach.
    CSavedValues& savedValues;
    // The shell's boxes, windows, sounds, devices and programs.
    GameServices& services;
    // Room changes and screen switches that game code asks for.
    RuntimeControl& runtime;
};

} // namespace velkaro
