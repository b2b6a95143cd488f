#pragma once

#include "backends/desktop/ModalWindow.h"
#include "base/CallQueue.h"
#include "platform/Screen.h"

#include <cstdint>
#include <functional>
#include <optional>

union SDL_Event;

namespace velkaro {

class DesktopScreen;

// The event loop of the thread that owns the windows. It hands what the player does in the
// game's window to the ScreenEvents, repaints the window from its last frame, and runs the
// calls the game thread posts to its queue: the main loop does, and so does the loop of every
// modal window, through NextModalEvent.
class DesktopEvents {
public:
    // `screen` must outlive the loop.
    explicit DesktopEvents(DesktopScreen& screen);
    ~DesktopEvents();
    DesktopEvents(const DesktopEvents&) = delete;
    DesktopEvents& operator=(const DesktopEvents&) = delete;

    // The calls the game thread hands this thread; a post wakes the loop.
    CallQueue& Calls() { return calls_; }
    // Where the player's doings go; none drops them.
    void SetHandlers(ScreenEvents* handlers) { handlers_ = handlers; }

    // Handles events and serves the calls until `done` answers true. `done` is asked after each
    // event and each wake.
    void Run(const std::function<bool()>& done);
    // From any thread: has Run ask `done` again.
    void Wake();
    // Handles the events that have come, without waiting for more (while the game loads, say).
    void ServePending();

    // For the loop of a modal window: waits up to `timeoutMs` for an event. Serves the posted
    // calls, the game window's repaints and its close itself; drops the player's keys and clicks
    // meant for the game's window, whose box has the focus (the focus or a click that the game's
    // window gets brings the box back in front, with the keyboard); answers every other event
    // (the modal window's own), or none when the time ran out.
    std::optional<SDL_Event> NextModalEvent(int timeoutMs);
    // NextModalEvent, for the windows that take their events from a source.
    ModalEventSource ModalEvents();
    // Handles the events that have come as a modal loop does, and drops what NextModalEvent would
    // answer: while the game waits for something that is not a window of ours (a program).
    void ServeModal();

private:
    // Handles the event when it concerns the game's window or the loop itself; answers whether
    // it did. `modal` drops the player's input instead of handing it on.
    bool HandleOwn(const SDL_Event& event, bool modal);
    void HandleInput(const SDL_Event& event);

    DesktopScreen& screen_;
    std::uint32_t wakeEvent_ = 0;
    CallQueue calls_;
    ScreenEvents* handlers_ = nullptr;
};

} // namespace velkaro
