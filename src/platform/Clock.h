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
};

} // namespace velkaro
