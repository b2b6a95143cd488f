#pragma once

#include "platform/Clock.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace velkaro {

// The wall clock, as the system's steady clock keeps it: for the player, and for a headless run
// at the game's own pace. Never goes back when the system's time is set.
class SteadyClock final : public Clock {
public:
    std::int64_t Milliseconds() override;
    // A timed wait, which StopSleeping ends early.
    void Sleep(std::int64_t ms) override;
    void StopSleeping() override;

private:
    std::mutex mutex_;
    std::condition_variable woken_;
    bool stopped_ = false;
};

} // namespace velkaro
