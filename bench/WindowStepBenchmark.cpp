// The step period of a game in a real window: 200 steps of a room at game speed 30 (a period
// of 33 1/3 ms), each drawn and shown in the player's window, with the game thread keeping
// time and the window's loop running the steps, as the player plays. Needs a display (run it
// under xvfb-run). Reports the mean period, its drift from the game speed's period, and the
// steps farthest from their due time.
#include "backends/desktop/DesktopDialogs.h"
#include "backends/desktop/DesktopEvents.h"
#include "backends/desktop/DesktopScreen.h"
#include "backends/posix/SteadyClock.h"
#include "data/GameLoader.h"
#include "engine/GameLoop.h"
#include "main/DesktopGame.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace velkaro {
namespace {

constexpr int kSteps = 200;
constexpr double kSpeed = 30;

// A room of 320 x 240 with 100 moving boxes, and a counter that ends the game after kSteps.
GameData TimedRoom() {
    GameData data;
    CObject& mover = data.objects.Add();
    mover.name = "mover";
    mover.image.width = 16;
    mover.image.height = 16;
    Bitmap frame(16, 16, PixelFromRgb(40, 120, 220));
    frame.At(0, 15) = PixelFromColour(0xFFFFFF);
    mover.image.AddFrame(frame);
    CAction& start = mover.EventList(kCreationEvent, 0)->Add();
    start.id = 811;
    start.arguments[0] = "{ hspeed = 1 + random(3); vspeed = 1 + random(3) }";
    CAction& bounce = mover.EventList(kStepEvent, 0)->Add();
    bounce.id = 811;
    bounce.arguments[0] = "{ if x > roomwidth - 16 or x < 0 then hspeed = -hspeed; "
                          "if y > roomheight - 16 or y < 0 then vspeed = -vspeed }";
    CObject& counter = data.objects.Add();
    counter.name = "counter";
    CAction& zero = counter.EventList(kCreationEvent, 0)->Add();
    zero.id = 811;
    zero.arguments[0] = "global.steps = 0";
    CAction& count = counter.EventList(kStepEvent, 0)->Add();
    count.id = 811;
    count.arguments[0] =
        "{ global.steps += 1; if global.steps >= " + std::to_string(kSteps) + " room = -1 }";
    CRoom& room = data.rooms.Add();
    room.widthInCells = 10;
    room.heightInCells = 8;
    room.gameSpeed = static_cast<std::int32_t>(kSpeed);
    room.AddInstance(0, 0, 2);
    for (int i = 0; i < 100; ++i) {
        room.AddInstance(i % 10, (i / 10) % 8, 1);
    }
    return data;
}

void BM_WindowStepPeriod(benchmark::State& state) {
    std::optional<DesktopScreen> screen;
    try {
        screen.emplace();
    } catch (const std::runtime_error& error) {
        state.SkipWithError(error.what());
        return;
    }
    for (auto _ : state) {
        GameData data = TimedRoom();
        DesktopEvents events(*screen);
        DesktopDialogs dialogs("step period");
        dialogs.AttachTo(*screen, events);
        DesktopGame desktop(data, *screen, events, dialogs);
        CGame& game = desktop.Game();
        SteadyClock clock;
        std::vector<std::chrono::steady_clock::time_point> calls;
        std::atomic<bool> finished{false};
        game.StartGameThread([&] {});
        std::thread thread([&] {
            RunGameLoop(game, clock, [&](GameCall, const std::function<void()>& call) {
                calls.push_back(std::chrono::steady_clock::now());
                events.Calls().RunAndWait(call);
            });
            finished = true;
            events.Wake();
        });
        events.Run([&] { return finished.load(); });
        thread.join();
        // The start, kSteps steps, the game's end and the end sequence.
        if (calls.size() != kSteps + 3) {
            state.SkipWithError("the game did not run its 200 steps");
            return;
        }
        const std::vector<std::chrono::steady_clock::time_point> steps(calls.begin() + 1,
                                                                       calls.begin() + 1 + kSteps);
        const double period = 1000.0 / kSpeed;
        const double total =
            std::chrono::duration<double, std::milli>(steps.back() - steps.front()).count();
        const double mean = total / (kSteps - 1);
        double worst = 0;
        for (std::size_t k = 0; k < steps.size(); ++k) {
            const double at =
                std::chrono::duration<double, std::milli>(steps[k] - steps.front()).count();
            worst = std::max(worst, std::abs(at - static_cast<double>(k) * period));
        }
        state.counters["mean_period_ms"] = mean;
        state.counters["drift_percent"] = (mean - period) / period * 100.0;
        state.counters["farthest_from_due_ms"] = worst;
    }
}
BENCHMARK(BM_WindowStepPeriod)->Iterations(1)->Repetitions(3)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace velkaro

BENCHMARK_MAIN();
