#pragma once

#include "engine/DrawingUnit.h"
#include "engine/GameServices.h"
#include "engine/GameShell.h"
#include "engine/PauseGate.h"
#include "engine/RoomOperations.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Pictures.h"
#include "platform/Screen.h"
#include "script/ActionExecution.h"
#include "script/ErrorReport.h"
#include "script/InterpretUnit.h"
#include "script/SavedValues.h"
#include "world/GameState.h"
#include "world/RuntimeControl.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

namespace velkaro {

class CFunctionRegistry;
struct GameData;

// The event names the steps run their events under, as error reports show them.
inline const char* const kAlarmEventName = "Alarm event";
inline const char* const kKeyboardEventName = "Keyboard event";
inline const char* const kMouseEventName = "Mouse event";
inline const char* const kStepEventName = "Step event";
inline const char* const kOtherEventName = "Other event";
inline const char* const kCollisionEventName = "Collision event";
inline const char* const kMeetingEventName = "Meeting event";
inline const char* const kCreationEventName = "Creation event";

// What a running game needs from the platform and the shell around it. Room drawing is not
// among them: the game draws its rooms with a drawing unit of its own, onto `screen`.
struct GamePlatform {
    Screen& screen;
    Pictures& pictures;
    // Error reports, problems with saved values, and actions registered wrongly.
    Dialogs& dialogs;
    // The message, question and high-score boxes of the actions and functions.
    DialogService& boxes;
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

// The key code the joystick stands for: a numeric-keypad key (97..105 without 101) for a
// direction, the letters A to D (65..68) for the buttons 1 to 4, the highest held button
// winning over everything; 0 when the stick is centred and no button is held, or there is no
// joystick.
std::int32_t JoystickCode(const std::optional<JoystickState>& state);

// One game being played: its state, and everything that runs it, built from the loaded game
// and torn down with it. The four synchronized operations (StartGame, RunStep, ChangeRoom,
// EndGame) must all run on one thread, one at a time; RunGameLoop sequences them.
class CGame final : public RuntimeControl, public GameRunControl {
public:
    // `seed` replaces the clock as the random generator's starting state, so that a run can be
    // repeated. `data` must outlive the game; StartGame prepares its actions.
    CGame(GameData& data, const GamePlatform& platform, const GameLibraries& libraries,
          std::optional<std::uint32_t> seed = {});
    ~CGame() override;
    CGame(const CGame&) = delete;
    CGame& operator=(const CGame&) = delete;

    GameState& State() { return game_; }
    const GameState& State() const { return game_; }
    CSavedValues& SavedValues() { return saved_; }
    RoomOperations& Rooms() { return rooms_; }
    const CErrorReport& Errors() const { return errors_; }
    CDrawingUnit& Drawing() { return drawing_; }

    // The synchronized operations of the game thread.
    void StartGame();
    void RunStep();
    // Goes to the room `next_room` asks for.
    void ChangeRoom();
    void EndGame();

    // Room n must be a room of the game.
    void StartRoom(std::int32_t n);
    void LeaveRoom();

    // Thread control. StartGameThread calls `startThread` unless the game already runs.
    void StartGameThread(const std::function<void()>& startThread);
    // Asks the game thread to end after the step it is in; the game then ends as usual.
    void StopGameThread() override;
    bool IsGameRunning() const override { return game_.game_running; }
    bool StopRequested() const { return stopRequested_.load(); }
    // Marks the game paused or running again; while it is paused the game thread holds its
    // next step back.
    void PauseGame();
    void ResumeGame();
    // On the game thread: blocks while the game is paused. Answers whether it had to wait.
    bool WaitWhilePaused() { return gate_.WaitWhileClosed(); }
    // After a step that ended the game.
    void MarkGameOver();

    void GotoRoom(std::int32_t room) override { rooms_.GotoRoom(room); }
    void SetScreenMode(bool full) override { drawing_.SetScreenMode(full); }

private:
    // The services of the platform, with the game's own drawing unit.
    GameServices Services();
    const CActionList* ListFor(const CInstance& instance, int row, int sub) const;
    bool RunIfAny(CInstance& self, CInstance& other, int row, int sub, const char* eventName);
    void ShowScreen(std::int32_t kind, const std::string& file, bool full, std::int32_t delay,
                    bool loop, Colour colour);

    // The phases of a step, in order.
    void RunAlarms();
    void RunKeyboard();
    void RunJoystick();
    void RunMouse();
    void RunStepEvents();
    void MoveInstances();
    void RunOtherEvents();
    void RunCollisions();
    // One collision pass; whether it found a collision.
    bool CollisionPass();
    void StopMovingPass();
    void RunMeetings();
    void AdvanceBackgroundAndAnimation();

    GameData& data_;
    GamePlatform platform_;
    GameLibraries libraries_;
    std::optional<std::uint32_t> seed_;

    GameState game_;
    CErrorReport errors_;
    CActionExecutor executor_;
    CInterpreter interpreter_;
    CDrawingUnit drawing_;
    RoomOperations rooms_;
    CSavedValues saved_;
    GameServices services_;
    // Written on the thread that runs the game, read by the game thread between steps.
    std::atomic<bool> stopRequested_{false};
    PauseGate gate_;
};

// Runs a call on the thread that runs the game and returns when it has run.
using Synchronize = std::function<void(const std::function<void()>&)>;

// How long to wait before the next step: its period at `gamespeed` less the time since the
// previous step was due, rounded to whole milliseconds; 0 or less means at once.
std::int64_t StepWait(double gamespeed, std::int64_t elapsed);

// The game thread's body: starts the game, runs its steps at the game speed and its room
// changes, and ends it when the game asks or the thread is asked to stop.
void RunGameLoop(CGame& game, Clock& clock, const Synchronize& synchronize);

} // namespace velkaro
