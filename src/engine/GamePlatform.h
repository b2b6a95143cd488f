#pragma once

#include "engine/GameServices.h"
#include "engine/GameShell.h"
#include "platform/Dialogs.h"
#include "platform/Input.h"
#include "platform/Pictures.h"
#include "platform/Processes.h"
#include "platform/Screen.h"
#include "script/ActionExecution.h"
#include "script/FunctionUnit.h"

namespace velkaro {

// What the composition roots hand a game: the backend's parts, the shell over them, and the
// built-in libraries.

// What a running game needs from the platform and the shell around it. Room drawing is not
// among them: the game draws its rooms with a drawing unit of its own, onto `screen`.
struct GamePlatform {
    Screen& screen;
    Pictures& pictures;
    // Error reports, problems with saved values, and the boxes of the actions and functions.
    Dialogs& dialogs;
    SoundService& sound;
    PacingService& pacing;
    GameShell& shell;
    ScoreService& scores;
    ScreenService& screens;
    DeviceInput& input;
    ProgramService& programs;
};

// The built-in functions that game code calls and the actions that action lists run: libraries
// that the composition roots hand to the game, as a language's standard library is opened into
// its core. Both are read-only and outlive the game.
struct GameLibraries {
    const CFunctionRegistry& functions;
    const CActionRegistry& actions;
};

} // namespace velkaro
