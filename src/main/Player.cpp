#include "main/Player.h"

#include "backends/desktop/DesktopDialogs.h"
#include "backends/desktop/DesktopEvents.h"
#include "backends/desktop/DesktopScreen.h"
#include "backends/posix/SteadyClock.h"
#include "base/AnsiText.h"
#include "engine/GameLoop.h"
#include "main/DebugView.h"
#include "main/DesktopGame.h"
#include "main/GameReading.h"
#include "main/GameWindow.h"
#include "main/PlayerSettings.h"
#include "replay/PlayRecorder.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
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
    // Each of the game's operations runs on the window's thread through `run`.
    GameThread(CGame& game, Clock& clock, DesktopEvents& events, Synchronize run)
        : game_(game), clock_(clock), events_(events), run_(std::move(run)) {}
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
                const bool ran =
                    events_.Calls().RunAndWait([this, which, &call] { run_(which, call); });
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
    Synchronize run_;
    std::thread thread_;
    std::atomic<bool> finished_{false};
    std::exception_ptr failure_;
};

// A game saved under the default name takes the player's name instead.
void NameGame(GameData& game, const std::filesystem::path& program) {
    if (game.gameName == "game" && !program.empty()) {
        game.gameName = Utf8ToAnsi(program.stem().string()).value_or(game.gameName);
    }
}

// For --verbose: what the player chose and why, before the game starts.
void Describe(std::ostream& log, const DesktopScreen& screen, const GameData& data,
              const UserSettings& settings, const PlayerChoices& choices) {
    log << "velkaro: " << screen.Describe() << '\n';
    log << "velkaro: the game's data folder is " << data.files.DataFolder().string();
    if (!data.files.FallbackSavesFolder().empty()) {
        log << "; saves it cannot take go to " << data.files.FallbackSavesFolder().string();
    }
    log << '\n';
    log << "velkaro: settings "
        << (settings.File().empty() ? std::string("none (no config folder)")
                                    : "from " + settings.File().string())
        << "; the window "
        << (choices.window.fullScreen ? (*choices.window.fullScreen ? "full screen" : "framed")
                                      : "as the game asks")
        << ", "
        << (choices.window.scale == WindowChoice::kFitScale
                ? std::string("as large as fits")
                : std::to_string(choices.window.scale) + " times the game's size")
        << "; the volume " << static_cast<int>(choices.volume * 100 + 0.5F) << "%\n";
}

// The room of `next` that stands for room `shown` of `before`: the room of the same name, else
// the room of the same number, else none (0).
std::int32_t MatchingRoom(const GameData& before, std::int32_t shown, const GameData& next) {
    if (before.rooms.Valid(shown)) {
        for (int i = 1; i <= next.rooms.Count(); ++i) {
            if (next.rooms.Get(i).name == before.rooms.Get(shown).name) {
                return i;
            }
        }
    }
    return next.rooms.Valid(shown) ? shown : 0;
}

// The games of one window, one after the other: the game itself, and with --watch each game
// read again after its files changed, starting where the one before was.
class Session {
public:
    // `boxes` are the game's boxes over `dialogs`, through the recorder when there is one.
    // What the player does to the window is kept in `settings` for the game `gameKey`.
    Session(const PlayOptions& options, const PlayerChoices& choices, UserSettings& settings,
            std::string gameKey, DesktopScreen& screen, DesktopEvents& events,
            DesktopDialogs& dialogs, Dialogs& boxes, PlayRecorder* recorder)
        : options_(options), choices_(choices), settings_(settings), gameKey_(std::move(gameKey)),
          screen_(screen), events_(events), dialogs_(dialogs), boxes_(boxes), recorder_(recorder),
          overlay_(screen) {}

    // Plays `data` and whatever replaces it; answers the program's exit status.
    int Play(std::unique_ptr<GameData> data) {
        data_ = std::move(data);
        std::optional<FileWatcher> watcher;
        if (options_.watch) {
            PrintCodeCheck(options_.file, *data_);
            try {
                watcher.emplace(GameFolders(options_.file, *data_),
                                [this](std::vector<std::filesystem::path> paths) {
                                    events_.Calls().Post(
                                        [this, paths = std::move(paths)] { Changed(paths); });
                                });
            } catch (const std::runtime_error& error) {
                std::cerr << "velkaro: cannot watch the game's files: " << error.what() << '\n';
            }
        }
        std::int32_t startRoom = 0;
        for (;;) {
            const int status = PlayOnce(startRoom);
            if (status != 0 || !next_) {
                return status;
            }
            startRoom = MatchingRoom(*data_, shownRoom_, *next_);
            data_ = std::move(next_);
            std::cerr << "velkaro: " << options_.file.string() << " read again\n";
        }
    }

private:
    int PlayOnce(std::int32_t startRoom) {
        Dialogs& boxes = boxes_;
        NameGame(*data_, options_.program);
        dialogs_.SetTitle(data_->gameName);
        dialogs_.SetGameInfo(data_->info.caption, data_->info.text);
        DesktopGame desktop(*data_, screen_, events_, boxes, recorder_,
                            {options_.file, options_.allowPrograms, &dialogs_, &settings_});
        desktop.Audio().SetMasterVolume(choices_.volume);
        if (options_.verbose) {
            std::cerr << "velkaro: " << desktop.Audio().Describe() << '\n';
            desktop.Audio().SetLog(
                [](const std::string& line) { std::cerr << "velkaro: " << line << '\n'; });
        }
        CGame& game = desktop.Game();
        game.StartInRoom(startRoom);
        SteadyClock clock;
        GameWindow window(game, boxes, desktop, screen_, [&] {
            // Only a request: the game ends after the step it is in, with its end as usual.
            game.StopGameThread();
            clock.StopSleeping();
            events_.Wake();
        });
        ScreenEvents* handlers = &window;
        if (recorder_ != nullptr) {
            recorder_->Attach(game, window, window);
            handlers = recorder_;
        }
        std::optional<DebugView> debug;
        if (options_.debug) {
            debug.emplace(overlay_, *handlers);
            debug->Attach(&game);
            handlers = &*debug;
        }
        events_.SetHandlers(handlers);
        game_ = &game;
        abandon_ = [&] {
            game.AbandonGame();
            clock.StopSleeping();
            events_.Wake();
        };
        GameThread thread(game, clock, events_,
                          [this, &debug](GameCall which, const std::function<void()>& call) {
                              const auto recorded = [&] {
                                  if (recorder_ != nullptr) {
                                      recorder_->Run(which, call);
                                  } else {
                                      call();
                                  }
                              };
                              if (debug) {
                                  debug->Run(which, recorded);
                              } else {
                                  recorded();
                              }
                          });
        thread.Start();
        events_.Run([&thread] { return thread.Finished(); });
        const std::exception_ptr failure = thread.Join();
        events_.SetHandlers(nullptr);
        RememberWindow(settings_, gameKey_, window.ScreenModeChosen(), screen_.CoversScreen(),
                       screen_.ResizedScale());
        shownRoom_ = game.State().room;
        game_ = nullptr;
        abandon_ = nullptr;
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
        return 0;
    }

    // On the window's thread, after the game's files changed: the game is read again, and when
    // that works it replaces the one that plays; when not, the game plays on under the message.
    void Changed(const std::vector<std::filesystem::path>& paths) {
        if (game_ == nullptr || next_ ||
            std::none_of(paths.begin(), paths.end(), [this](const std::filesystem::path& path) {
                return ChangeMatters(path, *data_, game_->State());
            })) {
            return;
        }
        Reloaded reloaded = ReloadGame(options_.file);
        if (!reloaded.data) {
            std::vector<std::string> lines;
            for (const std::string& problem : reloaded.problems) {
                std::cerr << "velkaro: " << AnsiToUtf8(problem) << '\n';
                lines.push_back(problem);
            }
            lines.emplace_back("The game plays on as it was; it is read again at the next save.");
            overlay_.SetMessage(lines);
            return;
        }
        overlay_.SetMessage({});
        PrintCodeCheck(options_.file, *reloaded.data);
        next_ = std::move(reloaded.data);
        abandon_();
    }

    const PlayOptions& options_;
    const PlayerChoices& choices_;
    UserSettings& settings_;
    const std::string gameKey_;
    DesktopScreen& screen_;
    DesktopEvents& events_;
    DesktopDialogs& dialogs_;
    Dialogs& boxes_;
    PlayRecorder* recorder_;
    OverlayPanels overlay_;
    std::unique_ptr<GameData> data_;
    // The game read again, waiting for the one that plays to end.
    std::unique_ptr<GameData> next_;
    CGame* game_ = nullptr;
    std::function<void()> abandon_;
    std::int32_t shownRoom_ = 0;
};

} // namespace

int PlayGame(const PlayOptions& options) {
    const std::filesystem::path& file = options.file;
    const std::optional<std::filesystem::path>& record = options.record;
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
    const bool loaded = LoadGameFile(file, *data, boxes);
    screen->ShowBusy(false);
    if (!loaded) {
        return 1;
    }
    if (recorder) {
        try {
            recorder->Begin(data->files);
        } catch (const std::exception& error) {
            std::cerr << "velkaro: cannot record into " << record->string() << ": " << error.what()
                      << '\n';
            return 1;
        }
    }
    if (options.debug) {
        std::cerr << "velkaro: debug view: F12 shows or hides it, F11 pauses, F10 runs one step, "
                     "F9 prints it here\n";
    }
    // The player's settings: what the command line leaves open, and what the player does to
    // the window, kept for the next time.
    UserSettings settings(UserSettings::DefaultFile());
    const std::string gameKey = UserSettings::GameKey(file);
    const PlayerChoices choices = ChoicesFor(options, settings, gameKey, std::cerr);
    if (options.verbose) {
        Describe(std::cerr, *screen, *data, settings, choices);
    }
    const std::string settingsBefore = settings.Text();
    screen->ChooseWindow(choices.window);
    Session session(options, choices, settings, gameKey, *screen, events, dialogs, boxes,
                    recorder ? &*recorder : nullptr);
    const int status = session.Play(std::move(data));
    if (!settings.File().empty() && settings.Text() != settingsBefore) {
        try {
            settings.Save();
        } catch (const std::exception& error) {
            std::cerr << "velkaro: the settings cannot be kept: " << error.what() << '\n';
        }
    }
    if (status != 0) {
        return status;
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
