#include "backends/headless/RunTimeout.h"

#include <algorithm>

namespace velkaro {

RunTimeout::RunTimeout(Clock& wall, std::optional<std::int64_t> limitMs, Transcript& transcript)
    : wall_(wall), limitMs_(limitMs), transcript_(transcript) {
    if (limitMs_) {
        deadline_ = wall_.Milliseconds() + *limitMs_;
    }
}

bool RunTimeout::Passed() {
    if (expired_) {
        return true;
    }
    if (!limitMs_ || wall_.Milliseconds() < deadline_) {
        return false;
    }
    expired_ = true;
    transcript_.Write("timeout", {{"seconds", static_cast<double>(*limitMs_) / 1000.0}});
    return true;
}

std::optional<std::int64_t> RunTimeout::Left() {
    if (!limitMs_) {
        return std::nullopt;
    }
    return std::max<std::int64_t>(deadline_ - wall_.Milliseconds(), 0);
}

void TimeoutClock::Sleep(std::int64_t ms) {
    const std::optional<std::int64_t> left = timeout_.Left();
    clock_.Sleep(left ? std::min(ms, *left) : ms);
}

} // namespace velkaro
