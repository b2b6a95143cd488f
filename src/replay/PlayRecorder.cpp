#include "replay/PlayRecorder.h"

#include "base/AnsiText.h"
#include "base/Files.h"
#include "base/WholeFile.h"
#include "codecs/PngFile.h"
#include "engine/RunUnit.h"
#include "replay/InputDelivery.h"

#include <array>
#include <cmath>

namespace velkaro {
namespace {

// The keys a game can hold: every Windows virtual-key code.
constexpr std::int32_t kKeyCodes = 256;
// The mouse buttons a game sees: 1 left, 2 right, 3 middle.
constexpr std::int32_t kMouseButtons = 3;

std::string Lines(const std::vector<std::string>& lines, const std::string& heading) {
    std::string text = heading;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

} // namespace

// The boxes: each answer is recorded once the box has closed.
class PlayRecorder::Boxes final : public Dialogs {
public:
    Boxes(Dialogs& real, PlayRecorder& recorder) : real_(real), recorder_(recorder) {}

    void ShowMessage(const std::string& text) override {
        real_.ShowMessage(text);
        recorder_.Answer(AnswerLine(AnswerScript::Kind::Ok));
    }
    ErrorAnswer ShowErrorReport(const std::string& text, bool fatal) override {
        const ErrorAnswer answer = real_.ShowErrorReport(text, fatal);
        recorder_.Answer(AnswerLine(answer == ErrorAnswer::Abort ? AnswerScript::Kind::Abort
                                                                 : AnswerScript::Kind::Ignore));
        return answer;
    }
    bool ShowQuestion(const std::string& text) override {
        const bool yes = real_.ShowQuestion(text);
        recorder_.Answer(AnswerLine(yes ? AnswerScript::Kind::Yes : AnswerScript::Kind::No));
        return yes;
    }
    std::optional<std::string> AskText(const std::string& prompt,
                                       const std::string& value) override {
        std::optional<std::string> typed = real_.AskText(prompt, value);
        recorder_.Answer(typed ? AnswerLine(AnswerScript::Kind::Text, *typed)
                               : AnswerLine(AnswerScript::Kind::Cancel));
        return typed;
    }
    void ShowGameInfo() override { real_.ShowGameInfo(); }
    void Log(const std::string& text, const std::filesystem::path& file) override {
        real_.Log(text, file);
    }

private:
    Dialogs& real_;
    PlayRecorder& recorder_;
};

// The high-score window: every showing takes an answer, the name typed (empty when the score
// did not enter).
class PlayRecorder::Scores final : public ScoreWindow {
public:
    Scores(ScoreWindow& real, PlayRecorder& recorder) : real_(real), recorder_(recorder) {}

    std::string ShowScoreTable(const ScoreTableView& table) override {
        std::string name = real_.ShowScoreTable(table);
        recorder_.Answer(AnswerLine(AnswerScript::Kind::Text, name));
        return name;
    }

private:
    ScoreWindow& real_;
    PlayRecorder& recorder_;
};

// The game's window, and beside it the pictures a headless run would have kept of it: the last
// one, and the one the current step began with. A game that ends (or leaves its room) clears
// the room in that step, so the picture worth keeping of a play that ended by itself is the
// one before. Only pictures shown in the framed window count: a headless run never goes full
// screen.
class PlayRecorder::Mirror final : public Screen {
public:
    explicit Mirror(Screen& real) : real_(real) {}

    bool FullScreenAvailable() const override { return real_.FullScreenAvailable(); }
    ScreenSize FullScreenSize() const override { return real_.FullScreenSize(); }
    void ShowWindow(int width, int height) override {
        real_.ShowWindow(width, height);
        for (Kept& kept : kept_) {
            kept.screen.ShowWindow(width, height);
        }
        windowed_ = true;
    }
    void ShowFullScreen() override {
        real_.ShowFullScreen();
        windowed_ = false;
    }
    void Close() override { real_.Close(); }
    void SetCaption(const std::string& caption) override { real_.SetCaption(caption); }
    void ShowCursor(bool shown) override { real_.ShowCursor(shown); }
    bool StopPending(std::int32_t quitKey) override { return real_.StopPending(quitKey); }
    void Present(const Bitmap& frame, int x1, int y1, int x2, int y2) override {
        real_.Present(frame, x1, y1, x2, y2);
        // The picture the step began with stays; later ones take the other place.
        latest_ = 1 - stepStart_;
        Kept& kept = kept_[static_cast<std::size_t>(latest_)];
        if (windowed_) {
            kept.screen.Present(frame, x1, y1, x2, y2);
        }
        kept.windowed = windowed_;
    }

    // A step begins: the last picture is the one it began with.
    void BeginStep() { stepStart_ = latest_; }
    // The last picture, or the one the step began with; none when it was shown full screen.
    const Bitmap* LastFrame() const { return Frame(latest_); }
    const Bitmap* StepStartFrame() const { return Frame(stepStart_); }

private:
    struct Kept {
        HeadlessScreen screen;
        bool windowed = false;
    };

    const Bitmap* Frame(int index) const {
        const Kept& kept = kept_[static_cast<std::size_t>(index)];
        return kept.windowed && !kept.screen.LastFrame().Empty() ? &kept.screen.LastFrame()
                                                                 : nullptr;
    }

    Screen& real_;
    std::array<Kept, 2> kept_;
    int latest_ = 0;
    int stepStart_ = 0;
    bool windowed_ = true;
};

PlayRecorder::PlayRecorder(std::filesystem::path folder, std::string gameName)
    : folder_(std::move(folder)) {
    play_.seed = ClockSeed();
    play_.game = std::move(gameName);
    std::filesystem::create_directories(folder_);
}

void PlayRecorder::Begin(const Files& files) {
    files_ = files;
    CopySavedFiles(files_, folder_ / kPlayStartFolder);
}

PlayRecorder::~PlayRecorder() = default;

Dialogs& PlayRecorder::RecordDialogs(Dialogs& real) {
    if (!boxes_) {
        boxes_ = std::make_unique<Boxes>(real, *this);
    }
    return *boxes_;
}

ScoreWindow& PlayRecorder::RecordScoreWindow(ScoreWindow& real) {
    if (!scores_) {
        scores_ = std::make_unique<Scores>(real, *this);
    }
    return *scores_;
}

Screen& PlayRecorder::RecordScreen(Screen& real) {
    if (!mirror_) {
        mirror_ = std::make_unique<Mirror>(real);
    }
    return *mirror_;
}

DeviceInput& PlayRecorder::RecordDevices(DeviceInput& live) {
    live_ = &live;
    return devices_;
}

void PlayRecorder::Attach(CGame& game, ScreenEvents& window, WindowKeys& keys) {
    game_ = &game;
    window_ = &window;
    keys_ = &keys;
}

void PlayRecorder::Run(GameCall which, const std::function<void()>& call) {
    switch (which) {
    case GameCall::Start:
        HandOn(0);
        call();
        break;
    case GameCall::Step:
        ++step_;
        if (mirror_) {
            mirror_->BeginStep();
        }
        HandOn(step_);
        TakeOverDevices(step_);
        call();
        break;
    case GameCall::End:
    case GameCall::OutOfMemory:
        // Whatever the player did after the last step never reached the game.
        pending_.clear();
        play_.steps = step_;
        call();
        if (game_ != nullptr) {
            play_.room = game_->State().room;
            play_.roomName = AnsiToUtf8(game_->State().roomname);
            play_.score = static_cast<std::int32_t>(game_->State().score);
        }
        Write();
        break;
    case GameCall::GameOver:
        endedByItself_ = true;
        call();
        break;
    case GameCall::RoomChange:
        call();
        break;
    }
}

void PlayRecorder::KeyDown(std::int32_t key) {
    Hold(InputEvent{0, InputEvent::Kind::KeyDown, key, 0, 0, {}});
}

void PlayRecorder::KeyUp(std::int32_t key) {
    Hold(InputEvent{0, InputEvent::Kind::KeyUp, key, 0, 0, {}});
}

void PlayRecorder::CharTyped(char character) {
    Hold(InputEvent{0, InputEvent::Kind::Char, 0, 0, 0, std::string(1, character)});
}

void PlayRecorder::MouseMove(int x, int y) {
    Hold(InputEvent{0, InputEvent::Kind::MouseMove, 0, x, y, {}});
}

void PlayRecorder::MouseDown(int button, int x, int y) {
    Hold(InputEvent{0, InputEvent::Kind::MouseDown, button, x, y, {}});
}

void PlayRecorder::MouseUp(int button, int x, int y) {
    Hold(InputEvent{0, InputEvent::Kind::MouseUp, button, x, y, {}});
}

void PlayRecorder::CloseAsked() {
    if (window_ != nullptr) {
        window_->CloseAsked();
    }
}

void PlayRecorder::FocusLost() {
    // The game forgets the key it held: as if that key had been let go.
    pending_.push_back(Pending{InputEvent{}, true});
}

void PlayRecorder::Hold(InputEvent event) {
    pending_.push_back(Pending{std::move(event), false});
}

void PlayRecorder::HandOn(long step) {
    if (game_ == nullptr) {
        return;
    }
    std::vector<Pending> due;
    due.swap(pending_);
    for (Pending& pending : due) {
        if (pending.focusLost) {
            const std::int32_t held = game_->State().last_key_down;
            if (held != 0 && devices_.KeyDown(held)) {
                Deliver(step, InputEvent{step, InputEvent::Kind::KeyUp, held, 0, 0, {}});
            }
            continue;
        }
        Deliver(step, std::move(pending.event));
    }
}

void PlayRecorder::TakeOverDevices(long step) {
    if (live_ == nullptr) {
        return;
    }
    for (std::int32_t key = 1; key < kKeyCodes; ++key) {
        if (devices_.KeyDown(key) && !live_->KeyDown(key)) {
            Deliver(step, InputEvent{step, InputEvent::Kind::KeyUp, key, 0, 0, {}});
        }
    }
    for (std::int32_t button = 1; button <= kMouseButtons; ++button) {
        if (devices_.MouseButtonDown(button) && !live_->MouseButtonDown(button)) {
            Deliver(step,
                    InputEvent{step, InputEvent::Kind::MouseUp, button, mouseX_, mouseY_, {}});
        }
    }
    const std::optional<JoystickState> stick = live_->ReadJoystick();
    const std::optional<JoystickState> seen = devices_.ReadJoystick();
    const bool same =
        stick.has_value() == seen.has_value() &&
        (!stick || (stick->x == seen->x && stick->y == seen->y && stick->buttons == seen->buttons));
    if (!same) {
        Deliver(step, stick ? InputEvent{step,
                                         InputEvent::Kind::Joystick,
                                         stick->x,
                                         stick->y,
                                         static_cast<std::int64_t>(stick->buttons),
                                         {}}
                            : InputEvent{step, InputEvent::Kind::NoJoystick, 0, 0, 0, {}});
    }
}

void PlayRecorder::Deliver(long step, InputEvent event) {
    event.step = step;
    GameState& state = game_->State();
    InputEvent recorded = event;
    const bool mouse = event.kind == InputEvent::Kind::MouseMove ||
                       event.kind == InputEvent::Kind::MouseDown ||
                       event.kind == InputEvent::Kind::MouseUp;
    if (mouse) {
        // In pixels of the game's window, which is all a headless run has.
        recorded.b = std::llround((static_cast<double>(event.b) - state.screen_offset_x) /
                                  state.screen_scale_x);
        recorded.c = std::llround((static_cast<double>(event.c) - state.screen_offset_y) /
                                  state.screen_scale_y);
        mouseX_ = recorded.b;
        mouseY_ = recorded.c;
    }
    input_.push_back(InputLine(recorded));
    devices_.Apply(recorded);
    velkaro::Deliver(state, *keys_, event);
}

void PlayRecorder::Write() {
    try {
        // Frames of an earlier recording into the same folder would be taken for this play's.
        for (const long step : FrameStepsIn(folder_)) {
            std::filesystem::remove(folder_ / FrameFileName(step));
        }
        // The game's end cleared the room in the last step: the step before shows the play.
        const bool before = endedByItself_ && play_.steps > 0;
        const Bitmap* frame = !mirror_ ? nullptr
                              : before ? mirror_->StepStartFrame()
                                       : mirror_->LastFrame();
        if (frame != nullptr) {
            WritePng(*frame, folder_ / FrameFileName(before ? play_.steps - 1 : play_.steps));
        }
        WriteFileWhole(folder_ / kPlayInputFile,
                       Lines(input_, "# What the player did, step by step (qvf run --input)\n"));
        WriteFileWhole(
            folder_ / kPlayAnswersFile,
            Lines(answers_, "# The answers to the boxes, in order (qvf run --answers)\n"));
        CopySavedFiles(files_, folder_ / kPlayEndFolder);
        // Last: a folder with play.txt holds a whole play.
        WriteFileWhole(folder_ / kPlayFile, PlayRecordText(play_));
        written_ = true;
    } catch (const std::exception& error) {
        failure_ = error.what();
    }
}

} // namespace velkaro
