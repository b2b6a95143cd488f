#pragma once

#include "engine/DrawingUnit.h"
#include "engine/GameParts.h"
#include "engine/GamePlatform.h"
#include "engine/GameServices.h"
#include "engine/GameShell.h"
#include "engine/PauseGate.h"
#include "engine/RoomOperations.h"
#include "engine/ScreenMode.h"
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

struct GameData;

// The random generator's start when none is given: the wall clock's milliseconds.
std::uint32_t ClockSeed();

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
    GameParts& Parts() { return parts_; }

    // The synchronized operations of the game thread.
    void StartGame();
    void RunStep();
    // Goes to the room `next_room` asks for.
    void ChangeRoom();
    void EndGame();
    // After an allocation failed: lets go of the instances and the room's picture, so that
    // what follows has memory to work with, reports the failure (fatal) and writes the saved
    // values. Nothing of the game runs any more.
    void EndOutOfMemory();

    // After its start, the game goes on to room `room` as room_goto goes there: a game read
    // again while that room showed starts where the game author was. Rooms outside the game,
    // and room 1, leave the start as it is.
    void StartInRoom(std::int32_t room) { startRoom_ = room; }
    // Ends the game after the step it is in, as StopGameThread does, but as if it had never
    // ended: its saved values are not written and its end screen is not shown. A game read
    // again replaces it.
    void AbandonGame();

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
    // next step back. Pauses nest: the game runs again when every pause has been resumed.
    void PauseGame();
    void ResumeGame();
    // On the game thread: blocks while the game is paused. Answers whether it had to wait.
    bool WaitWhilePaused() { return gate_.WaitWhileClosed(); }
    // After a step that ended the game.
    void MarkGameOver();

    void GotoRoom(std::int32_t room) override { rooms_.GotoRoom(room); }
    bool StopAsked() override;
    void SetScreenMode(bool full) override {
        velkaro::SetScreenMode(game_, platform_.screen, full);
    }

private:
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
    CInterpreter interpreter_;
    CActionExecutor executor_;
    CDrawingUnit drawing_;
    // The services of the platform, with the game's own drawing unit.
    GameServices services_;
    RoomOperations rooms_;
    ShellOperations shell_;
    CSavedValues saved_;
    // Built last, from the parts above; the interpreter and the executor hold it from their
    // start, but hand it on only while the game runs.
    GameParts parts_;
    // Written on the thread that runs the game, read by the game thread between steps.
    std::atomic<bool> stopRequested_{false};
    PauseGate gate_;
    // The pauses not yet resumed.
    int pauseDepth_ = 0;
    std::int32_t startRoom_ = 0;
    bool abandoned_ = false;
};

} // namespace velkaro
