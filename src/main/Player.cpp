#include "main/Player.h"

#include "backends/desktop/DesktopDialogs.h"
#include "backends/desktop/DesktopEvents.h"
#include "backends/desktop/DesktopScreen.h"
#include "backends/posix/SteadyClock.h"
#include "base/AnsiText.h"
#include "data/GameLoader.h"
#include "description/GameDescription.h"
#include "engine/GameLoop.h"
#include "main/DesktopGame.h"
#include "main/GameWindow.h"
#include "replay/PlayRecorder.h"

#include <atomic>
#include <exception>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <thread>

namespace velkaro {
namespace {

// The window while the game loads, before its first room gives it a size.
constexpr int kLoadingWidth = 320;
constexpr int kLoadingHeight = 240;

// The game thread: it keeps time and has the window's thread run the game, one call at a time.
// It is joined once, from the top of the program, after the loop that serves it has ended.
class GameThread {
public:
    // With a `recorder`, each of the game's operations runs through it.
    GameThread(CGame& game, Clock& clock, DesktopEvents& events, PlayRecorder* recorder)
        : game_(game), clock_(clock), events_(events), recorder_(recorder) {}
    // Only when the program leaves early: no loop serves the thread's calls any more, so they
    // are refused and the thread ends without them.
    ~GameThread() {
        if (thread_.joinable()) {
            clock_.StopSleeping();
            events_.Calls().Close();
            thread_.join();
        }
    }
    GameThread(const GameThread&) = delete;
    GameThread& operator=(const GameThread&) = delete;

    void Start() {
        game_.StartGameThread([this] { thread_ = std::thread([this] { Body(); }); });
    }
    bool Finished() const { return finished_.load(); }
    // After the join: what ended the thread other than the game's end, if anything.
    std::exception_ptr Join() {
        if (thread_.joinable()) {
            thread_.join();
        }
        return failure_;
    }

private:
    void Body() {
        try {
            RunGameLoop(game_, clock_, [this](GameCall which, const std::function<void()>& call) {
                const bool ran = recorder_ == nullptr
                                     ? events_.Calls().RunAndWait(call)
                                     : events_.Calls().RunAndWait(
                                           [this, which, &call] { recorder_->Run(which, call); });
                if (!ran) {
                    throw std::runtime_error("the window closed before the game ended");
                }
            });
        } catch (...) {
            failure_ = std::current_exception();
        }
        finished_ = true;
        events_.Wake();
    }

    CGame& game_;
    Clock& clock_;
    DesktopEvents& events_;
    PlayRecorder* recorder_;
    std::thread thread_;
    std::atomic<bool> finished_{false};
    std::exception_ptr failure_;
};

// Packs the description in memory and loads that game file, as if it lay beside the
// description: its data folder is the description's name with "_data".
bool LoadDescription(const std::filesystem::path& file, GameData& data, Dialogs& dialogs) {
    try {
        const PackedGame packed = PackDescriptionFile(file);
        for (const std::string& warning : packed.warnings) {
            std::cerr << "velkaro: " << file.string() << ": warning: " << warning << '\n';
        }
        return LoadGameFromBytes(packed.bytes, file, data, dialogs);
    } catch (const std::runtime_error& error) {
        // A description with a fault is the game author's to mend: say where, in the player's
        // own words.
        dialogs.ShowMessage(Utf8ToAnsi(file.filename().string()).value_or("The description") +
                            ": " + Utf8ToAnsi(error.what()).value_or(error.what()));
        return false;
    }
}

// A game saved under the default name takes the player's name instead.
void NameGame(GameData& game, const std::filesystem::path& program) {
    if (game.gameName == "game" && !program.empty()) {
        game.gameName = Utf8ToAnsi(program.stem().string()).value_or(game.gameName);
    }
}

} // namespace

int PlayGame(const std::filesystem::path& file, const std::filesystem::path& program,
             const std::optional<std::filesystem::path>& record) {
    DesktopDialogs dialogs("Velkaro");
    std::optional<DesktopScreen> screen;
    try {
        screen.emplace();
    } catch (const std::runtime_error& error) {
        std::cerr << "velkaro: " << error.what() << '\n';
        return 1;
    }
    DesktopEvents events(*screen);
    dialogs.AttachTo(*screen, events);
    std::optional<PlayRecorder> recorder;
    if (record) {
        try {
            recorder.emplace(*record, file.filename().string());
        } catch (const std::exception& error) {
            std::cerr << "velkaro: cannot record into " << record->string() << ": " << error.what()
                      << '\n';
            return 1;
        }
    }
    // The game's boxes, the loader's included: a recording keeps every answer.
    Dialogs& boxes = recorder ? recorder->RecordDialogs(dialogs) : dialogs;

    screen->SetCaption("Loading");
    screen->ShowWindow(kLoadingWidth, kLoadingHeight);
    screen->ShowBusy(true);
    events.ServePending();
    auto data = std::make_unique<GameData>();
    // A game author's description (game.json) plays at once, without a qvf pack first.
    const bool loaded = IsDescriptionName(file) ? LoadDescription(file, *data, boxes)
                                                : LoadGame(file, *data, boxes);
    screen->ShowBusy(false);
    if (!loaded) {
        return 1;
    }
    NameGame(*data, program);
    dialogs.SetTitle(data->gameName);
    dialogs.SetGameInfo(data->info.caption, data->info.text);

    if (recorder) {
        try {
            recorder->Begin(data->files);
        } catch (const std::exception& error) {
            std::cerr << "velkaro: cannot record into " << record->string() << ": " << error.what()
                      << '\n';
            return 1;
        }
    }

    DesktopGame desktop(*data, *screen, events, boxes, recorder ? &*recorder : nullptr);
    CGame& game = desktop.Game();
    SteadyClock clock;
    GameWindow window(game, boxes, desktop, [&] {
        // Only a request: the game ends after the step it is in, with its end as usual.
        game.StopGameThread();
        clock.StopSleeping();
        events.Wake();
    });
    if (recorder) {
        recorder->Attach(game, window, window);
        events.SetHandlers(&*recorder);
    } else {
        events.SetHandlers(&window);
    }
    GameThread thread(game, clock, events, recorder ? &*recorder : nullptr);
    thread.Start();
    events.Run([&thread] { return thread.Finished(); });
    const std::exception_ptr failure = thread.Join();
    events.SetHandlers(nullptr);
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::bad_alloc&) {
            // The game has shown the report and written its saved values.
            std::cerr << "velkaro: the game ran out of memory\n";
        } catch (const std::exception& error) {
            std::cerr << "velkaro: the game stopped: " << error.what() << '\n';
        }
        return 1;
    }
    if (recorder) {
        if (!recorder->Written()) {
            std::cerr << "velkaro: the play could not be recorded into " << record->string() << ": "
                      << recorder->Failure() << '\n';
            return 1;
        }
        std::cerr << "velkaro: the play is recorded in " << record->string()
                  << " (qvf run GAME.qvf --replay " << record->string() << " plays it again)\n";
    }
    return 0;
}

} // namespace velkaro
