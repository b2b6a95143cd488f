#pragma once

#include <condition_variable>
#include <mutex>

namespace velkaro {

// Where the game thread waits while the game is paused. A modal window's message loop goes on
// running the calls the game thread posts, so a step posted while a box is open would run
// behind the box; the thread therefore holds its next step back until the box has closed.
// Closed and opened on the thread that runs the game, waited at on the game thread.
class PauseGate {
public:
    void Close();
    void Open();
    // Returns at once while the gate is open; otherwise blocks until it opens. Answers whether
    // it had to wait.
    bool WaitWhileClosed();

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool closed_ = false;
};

} // namespace velkaro
