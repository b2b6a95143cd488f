// qvf run GAME.qvf: plays a game without windows and writes what a player would have seen and
// heard as one JSON line each.
#include "CommandLine.h"

#include "HeadlessGame.h"
#include "backends/headless/AnswerScript.h"
#include "backends/headless/InputFileError.h"
#include "backends/headless/InputScript.h"
#include "backends/headless/RunTimeout.h"
#include "backends/headless/VirtualClock.h"
#include "backends/posix/PosixProcesses.h"
#include "backends/posix/SteadyClock.h"
#include "base/AnsiText.h"
#include "base/WholeFile.h"
#include "data/GameLoader.h"
#include "engine/GameLoop.h"
#include "replay/InputDelivery.h"
#include "replay/PlayCheck.h"
#include "replay/PlayFolder.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <new>
#include <sstream>

namespace velkaro::qvf {
namespace {

constexpr const char* kUsage =
    "usage: qvf run GAME.qvf [--steps N] [--seed S] [--input FILE] [--answers FILE] "
    "[--frames DIR] [--every K] [--realtime] [--transcript FILE] [--allow-execute] "
    "[--timeout SECONDS] [--replay FOLDER]";

struct RunOptions {
    std::filesystem::path game;
    std::optional<long> steps;
    std::optional<std::uint32_t> seed;
    std::optional<std::filesystem::path> input;
    std::optional<std::filesystem::path> answers;
    std::optional<std::filesystem::path> frames;
    long every = 1;
    bool realtime = false;
    std::optional<std::filesystem::path> transcript;
    bool allowExecute = false;
    std::optional<std::int64_t> timeoutMs;
    // A recorded play to play again: its seed, input, answers and steps, and what it ended with.
    std::optional<std::filesystem::path> replay;
};

// A usage error: the one line the command writes before it gives up.
struct UsageError {
    std::string message;
};

// A file given on the command line that cannot be read, holds errors, or cannot be written.
struct FileError {
    std::string message;
};

template <typename Number>
Number ReadNumber(const std::string& option, const std::string& text, Number low) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low) {
        throw UsageError{option + " expects a whole number from " + std::to_string(low) +
                         ", not \"" + text + "\""};
    }
    return value;
}

// A number of seconds greater than 0, fractions allowed, as whole milliseconds (rounded up, so
// that a limit never becomes none).
std::int64_t ReadSeconds(const std::string& option, const std::string& text) {
    // Beyond this a limit is as good as none; it keeps the milliseconds within their type.
    constexpr double kLongestSeconds = 1e12;
    double seconds = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size() || !(seconds > 0)) {
        throw UsageError{option + " expects a number of seconds greater than 0, not \"" + text +
                         "\""};
    }
    return static_cast<std::int64_t>(std::ceil(std::min(seconds, kLongestSeconds) * 1000.0));
}

RunOptions ReadOptions(const std::vector<std::string>& args) {
    RunOptions options;
    bool haveGame = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) {
                throw UsageError{arg + " needs a value"};
            }
            return args[++i];
        };
        if (arg == "--steps") {
            options.steps = ReadNumber<long>(arg, value(), 0);
        } else if (arg == "--seed") {
            options.seed = ReadNumber<std::uint32_t>(arg, value(), 0);
        } else if (arg == "--input") {
            options.input = value();
        } else if (arg == "--answers") {
            options.answers = value();
        } else if (arg == "--frames") {
            options.frames = value();
        } else if (arg == "--every") {
            options.every = ReadNumber<long>(arg, value(), 1);
        } else if (arg == "--realtime") {
            options.realtime = true;
        } else if (arg == "--transcript") {
            options.transcript = value();
        } else if (arg == "--allow-execute") {
            options.allowExecute = true;
        } else if (arg == "--timeout") {
            options.timeoutMs = ReadSeconds(arg, value());
        } else if (arg == "--replay") {
            options.replay = value();
        } else if (arg.empty() || arg.front() == '-') {
            throw UsageError{"unknown option \"" + arg + "\" (" + kUsage + ")"};
        } else if (haveGame) {
            throw UsageError{std::string("expected one game file (") + kUsage + ")"};
        } else {
            options.game = arg;
            haveGame = true;
        }
    }
    if (!haveGame) {
        throw UsageError{std::string("expected a game file (") + kUsage + ")"};
    }
    if (options.replay && (options.steps || options.seed || options.input || options.answers)) {
        throw UsageError{"--replay takes the steps, seed, input and answers from the recording: "
                         "--steps, --seed, --input and --answers go without it"};
    }
    return options;
}

// The most an input or answers file may hold. Far more than a hand-written or generated file
// needs; less than what would keep a run reading for long when given the wrong file.
constexpr std::uintmax_t kLargestScriptFile = 16 * 1024 * 1024;

// The whole of an input or answers file, which must be a regular file (a device such as
// /dev/zero never ends, a folder reads as nothing) of at most kLargestScriptFile bytes.
std::string ReadScriptFile(const std::filesystem::path& file) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(file, error);
    if (std::filesystem::is_directory(status)) {
        throw FileError{file.string() + " is a directory"};
    }
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
        throw FileError{file.string() + " is not a regular file"};
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw FileError{"cannot read " + file.string()};
    }
    // Counted as it is read, not from its size beforehand, so that a file that grows meanwhile
    // is caught as well.
    std::string text;
    std::array<char, 64 * 1024> chunk{};
    while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0) {
        text.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
        if (text.size() > kLargestScriptFile) {
            throw FileError{file.string() + " is larger than 16 MB, the most an input or " +
                            "answers file may hold"};
        }
    }
    if (in.bad()) {
        throw FileError{"cannot read " + file.string()};
    }
    return text;
}

template <typename Script> Script ReadScript(const std::filesystem::path& file) {
    std::istringstream in(ReadScriptFile(file));
    try {
        return Script::Read(in);
    } catch (const InputFileError& error) {
        throw FileError{file.string() + ": " + error.what()};
    }
}

// Takes the seed, the steps, the input and the answers of a recorded play (`qvf run
// --replay`); answers what the play must end with.
PlayRecord ReadRecording(RunOptions& options, AnswerScript& answers, InputScript& input) {
    const std::filesystem::path& folder = *options.replay;
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        throw FileError{folder.string() + " is not a folder of a recorded play"};
    }
    const std::filesystem::path playFile = folder / kPlayFile;
    const auto text = ReadFileWhole(playFile);
    if (!text) {
        throw FileError{"cannot read " + playFile.string()};
    }
    PlayRecord play;
    try {
        play = ReadPlayRecord(std::string(text->begin(), text->end()));
    } catch (const PlayFileError& problem) {
        throw FileError{playFile.string() + ": " + problem.message};
    }
    options.seed = play.seed;
    options.steps = play.steps;
    if (std::filesystem::exists(folder / kPlayInputFile, error)) {
        input = ReadScript<InputScript>(folder / kPlayInputFile);
    }
    if (std::filesystem::exists(folder / kPlayAnswersFile, error)) {
        answers = ReadScript<AnswerScript>(folder / kPlayAnswersFile);
    }
    return play;
}

// The special keys of a headless window.
class HeadlessWindowKeys : public WindowKeys {
public:
    HeadlessWindowKeys(CGame& game, PacingService& pacing, HeadlessDialogs& dialogs)
        : game_(game), pacing_(pacing), dialogs_(dialogs) {}

    void ShowHelp() override {
        const PausedGame paused(pacing_);
        dialogs_.ShowGameInfo();
    }
    void Quit() override { game_.StopGameThread(); }
    void SetScreenMode(bool full) override { game_.SetScreenMode(full); }

private:
    CGame& game_;
    PacingService& pacing_;
    HeadlessDialogs& dialogs_;
};

// Numbers the game loop's calls as steps: step 0 is the start, step k the k-th RunStep with
// the room change or the end of the game that follows it. Hands each step its input first,
// and keeps or checks its picture once it is done.
class StepKeeper {
public:
    StepKeeper(CGame& game, const RunOptions& options, Transcript& transcript, InputScript& input,
               HeadlessDevices& devices, HeadlessAudio& audio, HeadlessScreen& screen,
               WindowKeys& keys, RunTimeout& timeout, PlayCheck* check)
        : game_(game), options_(options), transcript_(transcript), input_(input), devices_(devices),
          audio_(audio), screen_(screen), keys_(keys), timeout_(timeout), check_(check) {}

    void operator()(GameCall which, const std::function<void()>& call) {
        switch (which) {
        case GameCall::Start:
            BeginStep(0);
            game_.State().gamename = game_data_name_;
            call();
            StepDone();
            break;
        case GameCall::Step:
            BeginStep(step_ + 1);
            call();
            // A room change or the game's end that follows belongs to this step.
            if (game_.State().next_room == 0) {
                StepDone();
            }
            break;
        case GameCall::RoomChange:
        case GameCall::GameOver:
            call();
            StepDone();
            break;
        case GameCall::End:
        case GameCall::OutOfMemory:
            call();
            break;
        }
    }

    void SetGameName(const std::string& name) { game_data_name_ = name; }
    long LastStep() const { return step_; }

private:
    void BeginStep(long step) {
        step_ = step;
        transcript_.SetStep(step);
        // Music and sounds that have played to their end by now go on or stop before the step.
        audio_.DeliverMediaEnds();
        for (const InputEvent& event : input_.Due(step)) {
            devices_.Apply(event);
            Deliver(game_.State(), keys_, event);
        }
    }

    void StepDone() {
        if (options_.frames && step_ % options_.every == 0 && !screen_.LastFrame().Empty()) {
            screen_.WriteFrame(*options_.frames / FrameFileName(step_));
        }
        if (check_ != nullptr) {
            check_->AtStep(step_, screen_.LastFrame());
        }
        // After the last step asked for, or once the run's time is up, as if the player closed
        // the window.
        if ((options_.steps && step_ >= *options_.steps) || timeout_.Passed()) {
            game_.StopGameThread();
        }
    }

    CGame& game_;
    const RunOptions& options_;
    Transcript& transcript_;
    InputScript& input_;
    HeadlessDevices& devices_;
    HeadlessAudio& audio_;
    HeadlessScreen& screen_;
    WindowKeys& keys_;
    RunTimeout& timeout_;
    PlayCheck* check_;
    long step_ = 0;
    std::string game_data_name_;
};

// Plays the loaded game to its end; answers the exit status. Throws what cuts the run short:
// TranscriptWriteError, or the error of a frame that cannot be written.
int Play(const RunOptions& options, Transcript& transcript, AnswerScript& answers,
         InputScript& input, PlayCheck* check, std::ostream& err) {
    SteadyClock steadyClock;
    RunTimeout timeout(steadyClock, options.timeoutMs, transcript);
    HeadlessDialogs dialogs(transcript, answers);
    auto game = std::make_unique<GameData>();
    if (!LoadGame(options.game, *game, dialogs)) {
        return kExitFailed;
    }
    if (check != nullptr) {
        game->files.SetSavesFolder(check->SavesFolder());
    }

    VirtualClock virtualClock;
    TimeoutClock clock(options.realtime ? static_cast<Clock&>(steadyClock) : virtualClock, timeout);
    // Programs the game starts are only written down unless the run allows them.
    std::optional<PosixProcesses> starter;
    if (options.allowExecute) {
        // A program the game waits for is given up on when the run's time is up.
        starter.emplace(game->files, nullptr, [&timeout] { return timeout.Passed(); });
    }
    HeadlessGame headless(*game, transcript, dialogs, answers, clock, starter ? &*starter : nullptr,
                          options.seed, &timeout);
    CGame& running = headless.Game();
    HeadlessWindowKeys keys(running, headless, dialogs);
    StepKeeper keeper(running, options, transcript, input, headless.Devices(), headless.Audio(),
                      headless.Screen(), keys, timeout, check);
    keeper.SetGameName(game->gameName);
    running.StartGameThread([&] {
        RunGameLoop(running, clock, [&keeper](GameCall which, const std::function<void()>& call) {
            keeper(which, call);
        });
    });
    if (timeout.Expired()) {
        return kExitTimedOut;
    }
    if (check != nullptr) {
        check->AtEnd(running.State(), keeper.LastStep());
        const std::string folder = options.replay->string();
        if (!check->Differences().empty()) {
            err << "qvf run: the replay differs from the recording in "
                << EscapeControlBytes(folder) << ":\n";
            for (const std::string& difference : check->Differences()) {
                err << "  " << EscapeControlBytes(difference) << "\n";
            }
            return kExitFailed;
        }
        err << "qvf run: the replay ended as " << EscapeControlBytes(folder) << " did, after step "
            << keeper.LastStep() << "\n";
    }
    return kExitDone;
}

} // namespace

int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    RunOptions options;
    AnswerScript answers;
    InputScript input;
    std::ofstream transcriptFile;
    try {
        options = ReadOptions(args);
    } catch (const UsageError& error) {
        err << "qvf run: " << EscapeControlBytes(error.message) << "\n";
        return kExitUsage;
    }
    std::optional<PlayCheck> check;
    try {
        if (const auto problem = NotAGameFile(options.game)) {
            throw FileError{options.game.string() + " " + *problem};
        }
        if (options.replay) {
            check.emplace(*options.replay, ReadRecording(options, answers, input));
        }
        if (options.answers) {
            answers = ReadScript<AnswerScript>(*options.answers);
        }
        if (options.input) {
            input = ReadScript<InputScript>(*options.input);
        }
        if (options.frames) {
            std::error_code error;
            std::filesystem::create_directories(*options.frames, error);
            if (error) {
                throw FileError{"cannot make the folder " + options.frames->string()};
            }
        }
        if (options.transcript) {
            transcriptFile.open(*options.transcript, std::ios::binary | std::ios::trunc);
            if (!transcriptFile) {
                throw FileError{"cannot write " + options.transcript->string()};
            }
        }
    } catch (const FileError& error) {
        err << "qvf run: " << EscapeControlBytes(error.message) << "\n";
        return kExitFailed;
    }

    Transcript transcript(options.transcript ? static_cast<std::ostream&>(transcriptFile) : out);
    try {
        return Play(options, transcript, answers, input, check ? &*check : nullptr, err);
    } catch (const TranscriptWriteError& error) {
        err << "qvf run: "
            << EscapeControlBytes(
                   "cannot write the transcript to " +
                   (options.transcript ? options.transcript->string() : "standard output") + ": " +
                   error.what())
            << "\n";
        return kExitFailed;
    } catch (const std::bad_alloc&) {
        // The game has said so in the transcript and written its saved values.
        err << "qvf run: the game ran out of memory\n";
        return kExitFailed;
    } catch (const std::exception& error) {
        // A frame that cannot be written: the run is cut short there.
        err << "qvf run: " << EscapeControlBytes(error.what()) << "\n";
        return kExitFailed;
    }
}

} // namespace velkaro::qvf
