#pragma once

// The parts of a running game built once, as CGame builds them, but over fakes of everything
// around the game: for tests that run code, actions, room operations, drawing or built-in
// functions on a game of their own, without the game loop.

#include "data/GameLoader.h"
#include "engine/GameParts.h"
#include "script/ActionExecution.h"
#include "script/FunctionUnit.h"
#include "support/GameInMemory.h"
#include "support/RecordingDialogs.h"
#include "support/RecordingGameServices.h"
#include "world/RuntimeControl.h"

#include <cstdint>
#include <vector>

namespace velkaro::test {

// Keeps the room changes and screen switches game code asks for, in order, and changes nothing.
class RecordingRuntime : public RuntimeControl {
public:
    void GotoRoom(std::int32_t room) override { rooms.push_back(room); }
    void SetScreenMode(bool full) override { screenModes.push_back(full); }
    bool StopAsked() override { return stopAsked; }

    std::vector<std::int32_t> rooms;
    std::vector<bool> screenModes;
    bool stopAsked = false;
};

// What a test puts in place of a part PartsInMemory would otherwise provide itself. Each must
// outlive the parts.
struct PartChoices {
    // The built-in functions game code calls; none are registered when not given.
    const CFunctionRegistry* functions = nullptr;
    // The actions action lists run; none are registered when not given.
    const CActionRegistry* actions = nullptr;
    // Runs the events the room operations, the drawing and the functions raise; the parts' own
    // action executor when not given.
    EventRunner* events = nullptr;
    // Where errors go; `errors` when not given.
    GameErrorSink* errors = nullptr;
    // The shell's services; `shell` for every one when not given.
    const GameServices* services = nullptr;
    // What the drawing unit shows on and loads pictures with; `screen` and `pictures` when not
    // given.
    Screen* screen = nullptr;
    Pictures* pictures = nullptr;
    // What room changes, screen switches and loops that ask whether to stop reach; `runtime`
    // when not given.
    RuntimeControl* runtime = nullptr;
};

class PartsInMemory {
public:
    // `data` must outlive the parts; a test may go on filling it.
    explicit PartsInMemory(const GameData& data, const PartChoices& choices = {});
    PartsInMemory(const PartsInMemory&) = delete;
    PartsInMemory& operator=(const PartsInMemory&) = delete;

    // What a built-in function called in this game is handed.
    FunctionContext Context() { return FunctionContext(state, parts); }

    // The fakes around the game, used unless a choice replaces them.
    RecordingErrors errors;
    RecordingRuntime runtime;
    RecordingShell shell;
    QuietScreen screen;
    NoPictures pictures;
    CFunctionRegistry noFunctions;
    RecordingDialogs registrationDialogs;
    CActionRegistry noActions{registrationDialogs};
    GameServices services;

    // The game's state and parts.
    GameState state;
    CSavedValues savedValues;
    CInterpreter interpreter;
    CActionExecutor executor;
    CDrawingUnit drawing;
    RoomOperations rooms;
    ShellOperations shellOperations;
    GameParts parts;
};

} // namespace velkaro::test
