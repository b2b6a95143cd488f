#include "base/CallQueue.h"

#include <utility>

namespace velkaro {

bool CallQueue::RunAndWait(std::function<void()> call) {
    auto pending = std::make_shared<Pending>();
    pending->call = std::move(call);
    {
        const std::lock_guard lock(mutex_);
        if (closed_) {
            return false;
        }
        pending_.push_back(pending);
    }
    if (wake_) {
        wake_();
    }
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return pending->finished || closed_; });
    if (!pending->finished) {
        return false;
    }
    if (pending->error) {
        std::rethrow_exception(pending->error);
    }
    return true;
}

void CallQueue::Post(std::function<void()> call) {
    auto pending = std::make_shared<Pending>();
    pending->call = std::move(call);
    pending->awaited = false;
    {
        const std::lock_guard lock(mutex_);
        if (closed_) {
            return;
        }
        pending_.push_back(std::move(pending));
    }
    if (wake_) {
        wake_();
    }
}

int CallQueue::RunPending() {
    int ran = 0;
    while (true) {
        std::shared_ptr<Pending> next;
        {
            const std::lock_guard lock(mutex_);
            if (pending_.empty() || closed_) {
                return ran;
            }
            next = std::move(pending_.front());
            pending_.pop_front();
        }
        // Run without the lock: a call may open a box whose loop serves this queue again.
        if (!next->awaited) {
            next->call();
            ++ran;
            continue;
        }
        try {
            next->call();
        } catch (...) {
            next->error = std::current_exception();
        }
        {
            const std::lock_guard lock(mutex_);
            next->finished = true;
        }
        finished_.notify_all();
        ++ran;
    }
}

void CallQueue::Close() {
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        pending_.clear();
    }
    finished_.notify_all();
}

} // namespace velkaro
