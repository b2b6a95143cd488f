#include "backends/posix/SteadyClock.h"

#include <chrono>
#include <thread>

namespace velkaro {

std::int64_t SteadyClock::Milliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
}

void SteadyClock::Sleep(std::int64_t ms) {
    if (ms > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    }
}

} // namespace velkaro
