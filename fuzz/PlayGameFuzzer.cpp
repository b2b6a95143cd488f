// Feeds arbitrary bytes to the game loader and plays what loads as `qvf run` plays it: headless,
// on a virtual clock, with the default answers to every box, for up to 200 steps of every phase
// (drawing included) and at most a second of real time. A game must play without a crash, a
// sanitizer report, a hang or memory without bound, whatever its file holds.
//
// The game's files live in a scratch folder emptied before each input, and the process cannot
// write anywhere else (WriteFence.h). Programs the game starts are only written down.
#include "WriteFence.h"
#include "backends/headless/AnswerScript.h"
#include "backends/headless/HeadlessDialogs.h"
#include "backends/headless/InputScript.h"
#include "backends/headless/RunTimeout.h"
#include "backends/headless/Transcript.h"
#include "backends/headless/VirtualClock.h"
#include "backends/posix/SteadyClock.h"
#include "data/GameLoader.h"
#include "engine/GameLoop.h"
#include "qvf/HeadlessGame.h"
#include "qvf/InputDelivery.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <streambuf>

namespace {

using namespace velkaro;

constexpr long kSteps = 200;
constexpr std::int64_t kTimeLimitMs = 1000;

// What a player does meanwhile: keys, characters and the mouse, so that the events of the
// keyboard and the mouse run too.
constexpr const char* kPlayerInput = "2 key_down right\n"
                                     "4 key_up right\n"
                                     "5 key_down space\n"
                                     "6 key_up space\n"
                                     "7 char a\n"
                                     "8 mouse_move 40 30\n"
                                     "9 mouse_down left 40 30\n"
                                     "10 mouse_up left 40 30\n"
                                     "11 joystick 0 65535 1\n"
                                     "12 key_down enter\n"
                                     "13 key_up enter\n"
                                     "20 mouse_down right 5 5\n"
                                     "21 mouse_up right 5 5\n"
                                     "22 joystick none\n"
                                     "30 key_down up\n"
                                     "60 key_up up\n";

// The transcript goes nowhere: only that it is written matters.
class Discard : public std::streambuf {
protected:
    int overflow(int c) override { return c == traits_type::eof() ? 0 : c; }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

class WindowKeysOf : public WindowKeys {
public:
    WindowKeysOf(CGame& game, PacingService& pacing, HeadlessDialogs& dialogs)
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

// The process's fixture: the scratch folder, made and fenced in before the first input.
struct Fixture {
    fuzz::ScratchFolder scratch{fuzz::ScratchPathFor("play-game")};
};

std::optional<Fixture>& TheFixture() {
    static std::optional<Fixture> fixture;
    return fixture;
}

void Play(const std::uint8_t* data, std::size_t size, const std::filesystem::path& folder) {
    Discard discard;
    std::ostream sink(&discard);
    Transcript transcript(sink);
    SteadyClock wall;
    RunTimeout timeout(wall, kTimeLimitMs, transcript);
    AnswerScript answers;
    HeadlessDialogs dialogs(transcript, answers);
    auto game = std::make_unique<GameData>();
    if (!LoadGameFromBytes(std::vector<std::uint8_t>(data, data + size), folder / "fuzz.qvf", *game,
                           dialogs)) {
        return;
    }
    std::istringstream inputText(kPlayerInput);
    InputScript input = InputScript::Read(inputText);

    VirtualClock virtualClock;
    TimeoutClock clock(virtualClock, timeout);
    qvf::HeadlessGame headless(*game, transcript, dialogs, answers, clock, nullptr, 12345u,
                               &timeout);
    CGame& running = headless.Game();
    WindowKeysOf keys(running, headless, dialogs);
    long step = 0;
    running.StartGameThread([&] {
        RunGameLoop(running, clock, [&](GameCall, const std::function<void()>& call) {
            ++step;
            transcript.SetStep(step);
            headless.Audio().DeliverMediaEnds();
            for (const InputEvent& event : input.Due(step)) {
                headless.Devices().Apply(event);
                Deliver(running.State(), keys, event);
            }
            call();
            // Every call the loop makes counts: a game that changes rooms each step ends too.
            if (step >= kSteps || timeout.Passed()) {
                running.StopGameThread();
            }
        });
    });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    auto& fixture = TheFixture().emplace();
    std::vector<std::filesystem::path> writable = fuzz::FuzzerOutputFolders(*argc, *argv);
    writable.push_back(fixture.scratch.Path());
    fuzz::FenceWritesOrDie(writable);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Fixture& fixture = *TheFixture();
    fixture.scratch.Empty();
    // The game is fuzz.qvf in the scratch folder; its files are in the data folder beside it.
    std::filesystem::create_directory(fixture.scratch.Path() / "fuzz_data");
    try {
        Play(data, size, fixture.scratch.Path());
    } catch (const std::bad_alloc&) {
        // Memory ran out within the limits: the game has said so and ended, as in the player.
    }
    return 0;
}
