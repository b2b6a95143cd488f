#pragma once

#include "platform/Clock.h"

#include <cstdint>

namespace velkaro {

// The wall clock, as the system's steady clock keeps it: for the player, and for a headless run
// at the game's own pace. Never goes back when the system's time is set.
class SteadyClock final : public Clock {
public:
    std::int64_t Milliseconds() override;
    void Sleep(std::int64_t ms) override;
};

} // namespace velkaro
