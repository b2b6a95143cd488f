#pragma once

#include "backends/headless/Transcript.h"
#include "platform/Clock.h"

#include <cstdint>
#include <optional>

namespace velkaro {

// The longest a headless run may take on the wall clock. A game stuck in endless code would
// otherwise keep an automated test waiting for ever; once the time has passed, the run is
// ended as if the player closed the window, and everything that waits gives up its wait.
class RunTimeout {
public:
    // `wall` keeps the real time; `limitMs` none for a run without limit. The limit counts
    // from now.
    RunTimeout(Clock& wall, std::optional<std::int64_t> limitMs, Transcript& transcript);

    // Whether the time is up. The first time it finds so, it writes the "timeout" line of the
    // transcript, so that the line stands before whatever the end of the game shows.
    bool Passed();
    // Whether Passed has ever answered true: the run was cut short by the limit.
    bool Expired() const { return expired_; }
    // The milliseconds left (0 once the time is up); none without limit.
    std::optional<std::int64_t> Left();

private:
    Clock& wall_;
    std::optional<std::int64_t> limitMs_;
    std::int64_t deadline_ = 0;
    Transcript& transcript_;
    bool expired_ = false;
};

// The run's clock, whose sleeps end when the time of the run is up: a game's `sleep`, or the
// wait for a step of a slow game in a run at its own speed, never outlasts the limit.
class TimeoutClock final : public Clock {
public:
    TimeoutClock(Clock& clock, RunTimeout& timeout) : clock_(clock), timeout_(timeout) {}

    std::int64_t Milliseconds() override { return clock_.Milliseconds(); }
    void Sleep(std::int64_t ms) override;
    void StopSleeping() override { clock_.StopSleeping(); }

private:
    Clock& clock_;
    RunTimeout& timeout_;
};

} // namespace velkaro
