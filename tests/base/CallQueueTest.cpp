#include "base/CallQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace velkaro {
namespace {

// Serves the queue, as an event loop does, until `done` holds.
template <typename Done> void Serve(CallQueue& queue, Done done) {
    while (!done()) {
        queue.RunPending();
        std::this_thread::yield();
    }
}

// The game thread's calls run on the serving thread, in order, each before its poster goes
// on, also while a call of its own keeps a modal loop serving the queue (a box opened by a step).
TEST(CallQueue, CallsRunOnTheServingThreadInOrderEvenInsideAModalLoop) {
    std::atomic<int> wakes{0};
    CallQueue queue([&wakes] { ++wakes; });
    const std::thread::id serving = std::this_thread::get_id();
    std::vector<int> ran;
    std::atomic<int> calls{0};
    std::atomic<bool> boxClosed{false};
    std::atomic<bool> posterDone{false};

    std::thread poster([&] {
        for (int i = 1; i <= 3; ++i) {
            EXPECT_TRUE(queue.RunAndWait([&, i] {
                EXPECT_EQ(std::this_thread::get_id(), serving);
                ran.push_back(i);
                ++calls;
            }));
            EXPECT_EQ(ran.size(), static_cast<std::size_t>(i)) << "returned before its call ran";
        }
        // A step that opens a box: its modal loop serves the queue until the box closes.
        EXPECT_TRUE(queue.RunAndWait([&] { Serve(queue, [&] { return boxClosed.load(); }); }));
        posterDone = true;
    });
    std::thread boxCloser([&] {
        while (calls < 3) {
            std::this_thread::yield();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_TRUE(queue.RunAndWait([&] {
            ran.push_back(4);
            boxClosed = true;
        }));
    });
    Serve(queue, [&] { return posterDone.load(); });
    poster.join();
    boxCloser.join();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(wakes, 5);
}

TEST(CallQueue, AFailingCallThrowsAtItsPosterAndClosingReleasesThoseWaiting) {
    CallQueue queue;
    std::atomic<bool> threw{false};
    std::thread failing([&] {
        try {
            queue.RunAndWait([] { throw std::runtime_error("out of memory"); });
        } catch (const std::runtime_error&) {
            threw = true;
        }
    });
    Serve(queue, [&] { return threw.load(); });
    failing.join();

    std::atomic<bool> ranAfterClose{false};
    std::atomic<int> answer{-1};
    std::thread waiting([&] { answer = queue.RunAndWait([&] { ranAfterClose = true; }) ? 1 : 0; });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    queue.Close();
    waiting.join();
    EXPECT_EQ(answer, 0);
    EXPECT_EQ(queue.RunPending(), 0);
    EXPECT_FALSE(ranAfterClose);
    EXPECT_FALSE(queue.RunAndWait([] {}));
    queue.Post([&] { ranAfterClose = true; });
    EXPECT_EQ(queue.RunPending(), 0);
    EXPECT_FALSE(ranAfterClose) << "a post to a closed queue is dropped";
}

// What a device reports on a thread of its own (the end of a piece of music) runs on the
// serving thread, in order with the rest, without its poster waiting.
TEST(CallQueue, PostedCallsRunLaterInOrderWithoutAWait) {
    int wakes = 0;
    CallQueue queue([&] { ++wakes; });
    std::vector<int> ran;
    queue.Post([&] { ran.push_back(1); });
    queue.Post([&] { throw std::runtime_error("a fault in the handler"); });
    queue.Post([&] { ran.push_back(3); });
    EXPECT_EQ(wakes, 3);
    EXPECT_TRUE(ran.empty()) << "nothing runs before the serving loop gets to it";
    EXPECT_THROW(queue.RunPending(), std::runtime_error);
    EXPECT_EQ(ran, (std::vector<int>{1}));
    EXPECT_EQ(queue.RunPending(), 1) << "the calls after the failing one stay for the next run";
    EXPECT_EQ(ran, (std::vector<int>{1, 3}));
}

} // namespace
} // namespace velkaro
