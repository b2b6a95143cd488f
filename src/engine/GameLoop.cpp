#include "engine/GameLoop.h"

#include "base/VariableClass.h"

namespace velkaro {
namespace {

// A game that sets its speed to 0 or below (a room made with a speed of 0, or code that
// counts the speed down past 1) most likely means "as slow as it goes". The room editor's
// slowest speed is one step a second, so that is what such a game gets: it neither divides
// by zero nor runs its steps back to back, which would turn a game meant to stand still into
// one that races and leaves the window no time to be served.
constexpr double kSlowestGameSpeed = 1.0;

} // namespace

std::int64_t StepWait(double gamespeed, std::int64_t elapsed) {
    // Also catches a speed that is not a number.
    const double speed = gamespeed > 0 ? gamespeed : kSlowestGameSpeed;
    const double wait = 1000.0 / speed - static_cast<double>(elapsed);
    // A speed so small that its period does not fit is as good as standing still: a day.
    constexpr double kLongestWait = 24.0 * 60 * 60 * 1000;
    if (wait > kLongestWait) {
        return static_cast<std::int64_t>(kLongestWait);
    }
    return RoundToInteger(wait);
}

void RunGameLoop(CGame& game, Clock& clock, const Synchronize& synchronize) {
    synchronize([&game] { game.StartGame(); });
    std::int64_t due = clock.Milliseconds();
    // A player may close the window while the game starts (during its start screen, say): then
    // not one step runs.
    while (!game.StopRequested()) {
        std::int64_t now = clock.Milliseconds();
        const std::int64_t wait = StepWait(game.State().gamespeed, now - due);
        if (wait > 0) {
            clock.Sleep(wait);
            now += wait;
        }
        // A box opened between steps (the help key's window, say) holds the next step back;
        // once it has closed the step is due at once, and the time it was open is not made up.
        if (game.WaitWhilePaused()) {
            now = clock.Milliseconds();
        }
        // The window may have been closed while the thread slept or waited.
        if (game.StopRequested()) {
            break;
        }
        synchronize([&game] { game.RunStep(); });
        const std::int32_t next = game.State().next_room;
        if (next == -1) {
            synchronize([&game] { game.MarkGameOver(); });
            break;
        }
        if (next > 0) {
            synchronize([&game] { game.ChangeRoom(); });
        }
        // The next step is due one period after this one was, not after it ended: a step that
        // overran is followed at once, and the time it lost is not made up.
        due = now;
    }
    synchronize([&game] { game.EndGame(); });
}

} // namespace velkaro
