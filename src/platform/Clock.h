#pragma once

#include <cstdint>

namespace velkaro {

// Time as the game thread keeps it: the wall clock on a desktop, a virtual clock that moves
// only when the game waits in a headless run.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t Milliseconds() = 0;
    virtual void Sleep(std::int64_t ms) = 0;
    // Ends the sleep in progress, and has every later one return at once: the game is stopping
    // and waits for nothing more. From any thread. A clock whose sleeps take no time needs
    // nothing.
    virtual void StopSleeping() {}
};

} // namespace velkaro
