#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

namespace velkaro {

// Calls handed from one thread to the thread that serves them, run there one at a time in the
// order they were posted; the thread that posts a call waits until it has run. This is how the
// game thread, which only keeps time, has the thread that owns the windows run the game: that
// thread serves the queue from its event loop and from the loop of every modal window, so a
// call posted while a box is open runs behind the box (which is why the game pauses then).
class CallQueue {
public:
    // `wake` is called after each post, from the posting thread, so that a serving loop asleep
    // in its wait for events notices the call (a window system's own event, say).
    explicit CallQueue(std::function<void()> wake = {}) : wake_(std::move(wake)) {}
    CallQueue(const CallQueue&) = delete;
    CallQueue& operator=(const CallQueue&) = delete;

    // Has `call` run on the serving thread and returns once it has run; what it throws is
    // thrown here. False, with the call never run, when the queue is closed before it runs.
    bool RunAndWait(std::function<void()> call);

    // Has `call` run on the serving thread later, without waiting for it (what a device reports
    // on a thread of its own, say). Dropped when the queue is closed first.
    void Post(std::function<void()> call);

    // On the serving thread: runs the calls posted so far. Answers how many ran. What a call
    // posted without waiting throws is thrown here, after the calls before it have run.
    int RunPending();

    // Refuses every later call and releases the posters still waiting: for the end of the
    // program, once the serving loops are gone.
    void Close();

private:
    struct Pending {
        std::function<void()> call;
        // Someone waits for it in RunAndWait.
        bool awaited = true;
        bool finished = false;
        std::exception_ptr error;
    };

    std::function<void()> wake_;
    std::mutex mutex_;
    std::condition_variable finished_;
    std::deque<std::shared_ptr<Pending>> pending_;
    bool closed_ = false;
};

} // namespace velkaro
