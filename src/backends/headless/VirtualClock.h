#pragma once

#include "platform/Clock.h"

#include <cstdint>

namespace velkaro {

// Time that passes only when the game waits: a headless run goes as fast as it can and still
// sees the time its steps would have taken.
class VirtualClock : public Clock {
public:
    std::int64_t Milliseconds() override { return now_; }
    void Sleep(std::int64_t ms) override {
        if (ms > 0) {
            now_ += ms;
        }
    }

private:
    std::int64_t now_ = 0;
};

} // namespace velkaro
