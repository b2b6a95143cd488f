#pragma once

#include "backends/headless/AnswerScript.h"
#include "backends/headless/HeadlessDevices.h"
#include "backends/headless/HeadlessScreen.h"
#include "backends/headless/InputScript.h"
#include "engine/GameLoop.h"
#include "engine/WindowInput.h"
#include "platform/Dialogs.h"
#include "platform/Input.h"
#include "platform/ScoreWindow.h"
#include "platform/Screen.h"
#include "replay/PlayFolder.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velkaro {

class CGame;
class Files;

// Records a play in the player's window, so that `qvf run --replay` can play it again and end
// in the same state. Everything the game could learn from outside goes through it:
//
// - the player's keys, mouse and joystick: the window's events are held back and handed to
//   the game just before the next step runs, numbered with that step, exactly as a headless
//   run hands on its input file; the game reads the keyboard, the buttons and the joystick as
//   those events have left them, not as the devices are at that moment. Before each step the
//   devices are looked at once: a key or button the player let go of while a box had the
//   keyboard is released then, and a joystick that moved is read;
// - the answers to its boxes, in the order they are given;
// - the random seed, chosen here from the clock;
// - the saved values and high-score table the play started from and ended with, and the last
//   picture shown in the window (of the step before the last when the game ended by itself,
//   since its end clears the room).
//
// Mouse positions are recorded in pixels of the game's window: in full screen, to the nearest.
class PlayRecorder final : public ScreenEvents {
public:
    // `folder` is made when missing. Throws std::filesystem::filesystem_error when it cannot be.
    PlayRecorder(std::filesystem::path folder, std::string gameName);
    ~PlayRecorder() override;
    PlayRecorder(const PlayRecorder&) = delete;
    PlayRecorder& operator=(const PlayRecorder&) = delete;

    // Once the game has loaded, before it starts: copies the saved files the play starts from
    // out of the saves folder `files` names. Throws std::filesystem::filesystem_error.
    void Begin(const Files& files);

    // The game's seed.
    std::uint32_t Seed() const { return play_.seed; }

    // What the game is given instead of the real parts: each records what passes through it.
    // Each is made once, over the first part it is given, and lives as long as the recorder.
    Dialogs& RecordDialogs(Dialogs& real);
    ScoreWindow& RecordScoreWindow(ScoreWindow& real);
    Screen& RecordScreen(Screen& real);
    // The devices as the recorded events leave them; `live` are the real ones.
    DeviceInput& RecordDevices(DeviceInput& live);

    // Once the game and its window exist: the events go on to `window` (its close at once, the
    // rest before the next step, through `keys` for the special keys).
    void Attach(CGame& game, ScreenEvents& window, WindowKeys& keys);

    // Runs one of the game loop's calls, with the input due before it. Ends the recording after
    // the game's end: writes the folder.
    void Run(GameCall which, const std::function<void()>& call);

    // The events of the window, held back until the next step.
    void KeyDown(std::int32_t key) override;
    void KeyUp(std::int32_t key) override;
    void CharTyped(char character) override;
    void MouseMove(int x, int y) override;
    void MouseDown(int button, int x, int y) override;
    void MouseUp(int button, int x, int y) override;
    void CloseAsked() override;
    void FocusLost() override;

    // One answer given to a box, as a line of an answers file.
    void Answer(std::string line) { answers_.push_back(std::move(line)); }

    // Whether the folder has been written, and if not, why.
    bool Written() const { return written_; }
    const std::string& Failure() const { return failure_; }

private:
    class Boxes;
    class Scores;
    class Mirror;

    // A window event as it arrived; mouse positions still in the shown window's pixels.
    struct Pending {
        InputEvent event;
        bool focusLost = false;
    };

    void Hold(InputEvent event);
    void HandOn(long step);
    void TakeOverDevices(long step);
    void Deliver(long step, InputEvent event);
    void Write();

    std::filesystem::path folder_;
    // Where the game's saved files are.
    Files files_;
    PlayRecord play_;
    CGame* game_ = nullptr;
    ScreenEvents* window_ = nullptr;
    WindowKeys* keys_ = nullptr;
    DeviceInput* live_ = nullptr;
    HeadlessDevices devices_;
    std::unique_ptr<Boxes> boxes_;
    std::unique_ptr<Scores> scores_;
    std::unique_ptr<Mirror> mirror_;
    std::vector<Pending> pending_;
    std::vector<std::string> input_;
    std::vector<std::string> answers_;
    long step_ = 0;
    std::int64_t mouseX_ = 0;
    std::int64_t mouseY_ = 0;
    bool endedByItself_ = false;
    bool written_ = false;
    std::string failure_;
};

} // namespace velkaro
