#pragma once

#include "engine/RunUnit.h"
#include "platform/Clock.h"

#include <cstdint>
#include <functional>

namespace velkaro {

// Runs a call on the thread that runs the game and returns when it has run.
using Synchronize = std::function<void(const std::function<void()>&)>;

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
