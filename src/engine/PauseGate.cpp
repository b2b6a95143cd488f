#include "engine/PauseGate.h"

namespace velkaro {

void PauseGate::Close() {
    const std::lock_guard lock(mutex_);
    closed_ = true;
}

void PauseGate::Open() {
    {
        const std::lock_guard lock(mutex_);
        closed_ = false;
    }
    opened_.notify_all();
}

bool PauseGate::WaitWhileClosed() {
    std::unique_lock lock(mutex_);
    if (!closed_) {
        return false;
    }
    opened_.wait(lock, [this] { return !closed_; });
    return true;
}

} // namespace velkaro
