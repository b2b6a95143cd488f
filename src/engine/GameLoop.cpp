#include "engine/GameLoop.h"

#include "base/VariableClass.h"

#include <algorithm>
#include <new>

namespace velkaro {
namespace {

// A game that sets its speed to 0 or below (a room made with a speed of 0, or code that
// counts the speed down past 1) most likely means "as slow as it goes". The room editor's
// slowest speed is one step a second, so that is what such a game gets: it neither divides
// by zero nor runs its steps back to back, which would turn a game meant to stand still into
// one that races and leaves the window no time to be served.
constexpr double kSlowestGameSpeed = 1.0;

} // namespace

double StepPeriod(double gamespeed) {
    // Also catches a speed that is not a number.
    const double speed = gamespeed > 0 ? gamespeed : kSlowestGameSpeed;
    // A speed so small that its period does not fit is as good as standing still: a day.
    constexpr double kLongestPeriod = 24.0 * 60 * 60 * 1000;
    return std::min(1000.0 / speed, kLongestPeriod);
}

std::int64_t StepWait(double gamespeed, double elapsed) {
    return RoundToInteger(StepPeriod(gamespeed) - elapsed);
}

namespace {

void PlayGame(CGame& game, Clock& clock, const Synchronize& synchronize) {
    synchronize(GameCall::Start, [&game] { game.StartGame(); });
    // When the step before was due. Kept with its fraction, so that the steps keep to a period
    // of 33 1/3 ms on average although each wait is in whole milliseconds.
    double due = static_cast<double>(clock.Milliseconds());
    // A player may close the window while the game starts (during its start screen, say): then
    // not one step runs.
    while (!game.StopRequested()) {
        const double now = static_cast<double>(clock.Milliseconds());
        const double gamespeed = game.State().gamespeed;
        if (now - due >= StepPeriod(gamespeed)) {
            // The step before overran: this one follows at once, and the time is not made up.
            due = now;
        } else {
            const std::int64_t wait = StepWait(gamespeed, now - due);
            if (wait > 0) {
                clock.Sleep(wait);
            }
            due += StepPeriod(gamespeed);
        }
        // A box opened between steps (the help key's window, say) holds the next step back;
        // once it has closed the step is due at once, and the time it was open is not made up.
        if (game.WaitWhilePaused()) {
            due = static_cast<double>(clock.Milliseconds());
        }
        // The window may have been closed while the thread slept or waited.
        if (game.StopRequested()) {
            break;
        }
        synchronize(GameCall::Step, [&game] { game.RunStep(); });
        const std::int32_t next = game.State().next_room;
        if (next == -1) {
            synchronize(GameCall::GameOver, [&game] { game.MarkGameOver(); });
            break;
        }
        if (next > 0) {
            synchronize(GameCall::RoomChange, [&game] { game.ChangeRoom(); });
        }
    }
    synchronize(GameCall::End, [&game] { game.EndGame(); });
}

} // namespace

void RunGameLoop(CGame& game, Clock& clock, const Synchronize& synchronize) {
    try {
        PlayGame(game, clock, synchronize);
    } catch (const std::bad_alloc&) {
        // Memory ran out somewhere in the game: it is said, and what can be saved is saved,
        // before the failure ends the thread.
        synchronize(GameCall::OutOfMemory, [&game] { game.EndOutOfMemory(); });
        throw;
    }
}

} // namespace velkaro
