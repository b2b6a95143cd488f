#include "backends/posix/SteadyClock.h"

#include <chrono>

namespace velkaro {

std::int64_t SteadyClock::Milliseconds() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
}

void SteadyClock::Sleep(std::int64_t ms) {
    if (ms <= 0) {
        return;
    }
    std::unique_lock lock(mutex_);
    woken_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopped_; });
}

void SteadyClock::StopSleeping() {
    {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
    }
    woken_.notify_all();
}

} // namespace velkaro
