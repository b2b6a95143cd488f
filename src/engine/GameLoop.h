#pragma once

#include "engine/RunUnit.h"
#include "platform/Clock.h"

#include <cstdint>
#include <functional>

namespace velkaro {

// The game operations the loop has run on the game's thread, in the order it runs them:
// Start; then for each step Step, followed by GameOver when the game ends or RoomChange when
// it changes rooms; End last. OutOfMemory stands in for the rest when memory runs out.
enum class GameCall { Start, Step, RoomChange, GameOver, End, OutOfMemory };

// Runs a call on the thread that runs the game and returns when it has run; `which` says which
// operation it is, for those who follow the steps (a recorder, the headless runner).
using Synchronize = std::function<void(GameCall which, const std::function<void()>& call)>;

// The time from one step to the next at `gamespeed`, in milliseconds.
double StepPeriod(double gamespeed);

// How long to wait before the next step: its period at `gamespeed` less the time since the
// previous step was due, rounded to whole milliseconds; 0 or less means at once.
std::int64_t StepWait(double gamespeed, double elapsed);

// The game thread's body: starts the game, runs its steps at the game speed and its room
// changes, and ends it when the game asks or the thread is asked to stop. When memory runs
// out (std::bad_alloc) the game is ended with CGame::EndOutOfMemory and the failure goes on
// to the caller.
void RunGameLoop(CGame& game, Clock& clock, const Synchronize& synchronize);

} // namespace velkaro
