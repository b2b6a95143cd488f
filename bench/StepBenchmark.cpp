// Steps of a busy room: 1,000 (or 4,000) moving instances with a three-statement Step event
// each, and 100 solid walls they bounce off (box collisions), drawn every step as the player
// draws them.
#include "backends/headless/VirtualClock.h"
#include "data/GameLoader.h"
#include "qvf/HeadlessGame.h"

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>

namespace velkaro {
namespace {

constexpr int kMover = 1;
constexpr int kWall = 2;

CObject& AddObject(GameData& data, const std::string& name, int side, Pixel colour) {
    CObject& object = data.objects.Add();
    object.name = name;
    object.image.width = side;
    object.image.height = side;
    Bitmap frame(side, side, colour);
    frame.At(0, side - 1) = PixelFromColour(0xFFFFFF); // the see-through corner
    object.image.AddFrame(frame);
    object.bbRight = side - 1;
    object.bbBottom = side - 1;
    return object;
}

void AddCode(CObject& object, int row, int sub, const std::string& code) {
    CAction& action = object.EventList(row, sub)->Add();
    action.id = 811;
    action.arguments[0] = code;
}

GameData BusyRoom(int movers) {
    GameData data;
    CObject& mover = AddObject(data, "mover", 16, PixelFromRgb(40, 120, 220));
    AddCode(mover, kCreationEvent, 0,
            "{ steps = 0; hspeed = 1 + random(3); vspeed = 1 + random(3) }");
    AddCode(mover, kStepEvent, 0,
            "{ steps += 1; if x > roomwidth - 16 then hspeed = -abs(hspeed); "
            "if y > roomheight - 16 then vspeed = -abs(vspeed) }");
    AddCode(mover, kMeetingEvent, kWall, "{ hspeed = -hspeed; vspeed = -vspeed }");
    CObject& wall = AddObject(data, "wall", 32, PixelFromRgb(90, 90, 90));
    wall.solid = true;
    CRoom& room = data.rooms.Add();
    room.widthInCells = 20;
    room.heightInCells = 15;
    room.gameSpeed = 30;
    for (int i = 0; i < 100; ++i) {
        room.AddInstance(i % 20, (i / 20) * 3 + 1, kWall);
    }
    for (int i = 0; i < movers; ++i) {
        room.AddInstance(i % 20, (i / 20) % 15, kMover);
    }
    return data;
}

// Why the timed steps did not run the game's code as written, or nothing when they did: every
// mover counted each step, and no error report was shown or went unshown.
std::string CodeFault(const CGame& game, const std::string& transcript, std::int64_t steps,
                      int expectedMovers) {
    std::istringstream lines(transcript);
    std::string line;
    while (std::getline(lines, line)) {
        const nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
        if (!entry.is_discarded() && entry.value("kind", "") == "error") {
            return "the game's code reported an error: " + line;
        }
    }
    if (game.Errors().UnshownCount() > 0) {
        std::string report = game.Errors().FirstUnshown();
        std::replace(report.begin(), report.end(), '\r', ' ');
        return "an error report went unshown: " + report;
    }
    int movers = 0;
    const CInstanceList& instances = game.State().instances;
    for (int i = 1; i <= instances.Count(); ++i) {
        const CInstance& instance = instances.Get(i);
        if (instance.object != kMover) {
            continue;
        }
        ++movers;
        RValue counted;
        if (!instance.locals.GetValue("steps", 0, counted) ||
            counted.real != static_cast<double>(steps)) {
            return "mover " + std::to_string(i) + " counted " + std::to_string(counted.real) +
                   " of " + std::to_string(steps) + " steps";
        }
    }
    if (movers != expectedMovers) {
        return std::to_string(movers) + " movers instead of " + std::to_string(expectedMovers);
    }
    return {};
}

// The argument is the number of movers; `pruning` off runs every collision and meeting test
// against every instance, as without the grid.
void StepBusyRoom(benchmark::State& state, bool pruning) {
    const int movers = static_cast<int>(state.range(0));
    GameData data = BusyRoom(movers);
    std::ostringstream sink;
    Transcript transcript(sink);
    HeadlessDialogs dialogs(transcript);
    AnswerScript answers;
    VirtualClock clock;
    qvf::HeadlessGame headless(data, transcript, dialogs, answers, clock, nullptr, 12345u);
    CGame& game = headless.Game();
    game.State().instances.Grid().SetPruning(pruning);
    // Started as qvf run starts it, so that an error in the game's code is shown (into the
    // transcript) instead of being dropped as a report outside a running game.
    game.StartGameThread([&] {
        game.StartGame();
        for (auto _ : state) {
            game.RunStep();
        }
    });
    const std::string fault = CodeFault(game, sink.str(), state.iterations(), movers);
    if (!fault.empty()) {
        state.SkipWithError(fault.c_str());
        return;
    }
    state.counters["steps_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["instances"] = game.State().instances.Count();
}
void BM_StepBusyRoom(benchmark::State& state) {
    StepBusyRoom(state, true);
}
BENCHMARK(BM_StepBusyRoom)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);

void BM_StepBusyRoomBruteForce(benchmark::State& state) {
    StepBusyRoom(state, false);
}
BENCHMARK(BM_StepBusyRoomBruteForce)->Arg(1000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velkaro
