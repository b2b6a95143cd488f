#include "backends/desktop/DesktopScreen.h"
#include "backends/desktop/DesktopEvents.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>

// Last: Xlib's macros (None, Status, Bool) would break the headers above.
#include <X11/Xlib.h>

namespace velkaro {
namespace {

// These run under a virtual display (the ctest test desktop_screen starts one, and sets
// VELKARO_NEEDS_DISPLAY so that a missing display fails them); elsewhere they are skipped.
std::unique_ptr<DesktopScreen> OpenScreen() {
    try {
        return std::make_unique<DesktopScreen>();
    } catch (const std::runtime_error& error) {
        if (std::getenv("VELKARO_NEEDS_DISPLAY") != nullptr) {
            ADD_FAILURE() << error.what();
        }
        return nullptr;
    }
}

// A frame of the room's size, shown in the window, scaled up without blurring, on black; the
// caption in the player's text; full screen covers the desktop without changing its mode.
TEST(DesktopScreen, TheWindowShowsFramesScaledSharplyOnBlack) {
    auto screen = OpenScreen();
    if (!screen) {
        GTEST_SKIP() << "no display";
    }
    screen->ShowWindow(80, 60);
    screen->SetCaption("Caf\xe9");
    EXPECT_STREQ(SDL_GetWindowTitle(SDL_GetWindowFromID(screen->WindowId())), "Caf\xc3\xa9");

    Bitmap frame(20, 15, PixelFromRgb(200, 0, 0));
    frame.At(0, 0) = PixelFromRgb(0, 0, 255);
    screen->Present(frame, 10, 15, 50, 45); // twice the size, off the corner
    const Bitmap shown = screen->Shown();
    ASSERT_EQ(shown.Width(), 80);
    ASSERT_EQ(shown.Height(), 60);
    EXPECT_EQ(shown.At(9, 20) & 0xFFFFFFu, 0u) << "black around the picture";
    EXPECT_EQ(shown.At(10, 15) & 0xFFFFFFu, 0x0000FFu);
    EXPECT_EQ(shown.At(11, 16) & 0xFFFFFFu, 0x0000FFu) << "one pixel becomes two by two";
    EXPECT_EQ(shown.At(12, 15) & 0xFFFFFFu, 0xC80000u) << "nearest neighbour, not a blend";
    EXPECT_EQ(shown.At(49, 44) & 0xFFFFFFu, 0xC80000u);
    EXPECT_EQ(shown.At(50, 45) & 0xFFFFFFu, 0u);

    const ScreenSize desktop = screen->FullScreenSize();
    screen->ShowFullScreen();
    SDL_PumpEvents();
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(SDL_GetWindowFromID(screen->WindowId()), &width, &height);
    EXPECT_EQ(width, desktop.width);
    EXPECT_EQ(height, desktop.height);
    screen->Present(frame, 0, 0, desktop.width, desktop.height);
    const Bitmap full = screen->Shown();
    ASSERT_EQ(full.Width(), desktop.width);
    EXPECT_EQ(full.At(desktop.width - 1, desktop.height - 1) & 0xFFFFFFu, 0xC80000u);
    screen->ShowWindow(80, 60);
    SDL_GetWindowSize(SDL_GetWindowFromID(screen->WindowId()), &width, &height);
    EXPECT_EQ(width, 80);
}

// Game code that loops asks whether the player wants to stop: the window's close and the quit
// key are seen among the pending events, which stay for the window's loop to handle.
TEST(DesktopScreen, AClosingOrTheQuitKeyIsSeenWithoutBeingHandled) {
    auto screen = OpenScreen();
    if (!screen) {
        GTEST_SKIP() << "no display";
    }
    screen->ShowWindow(40, 30);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    EXPECT_FALSE(screen->StopPending(27));

    SDL_Event key{};
    key.type = SDL_KEYDOWN;
    key.key.windowID = screen->WindowId();
    key.key.keysym.scancode = SDL_SCANCODE_ESCAPE;
    SDL_PushEvent(&key);
    EXPECT_FALSE(screen->StopPending(0)) << "no quit key";
    EXPECT_FALSE(screen->StopPending(112));
    EXPECT_TRUE(screen->StopPending(27));

    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.windowID = screen->WindowId();
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&close);
    EXPECT_TRUE(screen->StopPending(0));
    // Still there for the loop.
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYDOWN), 1);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

// A request the display refuses (a window destroyed meanwhile, here one that never was) is
// written down; Xlib would otherwise end the player, and the game with it.
TEST(DesktopScreen, ARefusedRequestOfTheDisplayDoesNotEndThePlayer) {
    auto screen = OpenScreen();
    if (!screen) {
        GTEST_SKIP() << "no display";
    }
    if (std::string(SDL_GetCurrentVideoDriver()) != "x11") {
        GTEST_SKIP() << "not an X display";
    }
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    testing::internal::CaptureStderr();
    XMapWindow(display, 0x1FFFFFFF);
    XSync(display, False);
    const std::string said = testing::internal::GetCapturedStderr();
    XCloseDisplay(display);
    EXPECT_NE(said.find("the display refused a request"), std::string::npos) << said;
}

// What the window's loop hands on, in the words a game understands.
class Recorder : public ScreenEvents {
public:
    void KeyDown(std::int32_t key) override { log += "down" + std::to_string(key) + ' '; }
    void KeyUp(std::int32_t key) override { log += "up" + std::to_string(key) + ' '; }
    void CharTyped(char c) override {
        log += "char" + std::to_string(static_cast<unsigned char>(c)) + ' ';
    }
    void MouseMove(int x, int y) override {
        log += "move" + std::to_string(x) + ',' + std::to_string(y) + ' ';
    }
    void MouseDown(int button, int, int) override { log += "click" + std::to_string(button) + ' '; }
    void MouseUp(int, int, int) override { log += "release "; }
    void CloseAsked() override { log += "close "; }
    void FocusLost() override { log += "focus "; }
    std::string log;
};

SDL_Event KeyEvent(Uint32 type, Uint32 window, SDL_Scancode scancode, SDL_Keycode sym) {
    SDL_Event event{};
    event.type = type;
    event.key.windowID = window;
    event.key.keysym.scancode = scancode;
    event.key.keysym.sym = sym;
    return event;
}

// Keys as Windows key codes, with the characters Windows sends for Enter and the like; typed
// text in the game's code page (what it cannot hold is dropped); SDL's button numbers turned
// into the game's; the close; and the game thread's calls served, by the main loop as by a
// modal window's, which drops the player's input meant for the game behind it.
TEST(DesktopEvents, TheWindowsEventsReachTheGameInItsOwnTerms) {
    auto screen = OpenScreen();
    if (!screen) {
        GTEST_SKIP() << "no display";
    }
    screen->ShowWindow(40, 30);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    DesktopEvents events(*screen);
    Recorder recorder;
    events.SetHandlers(&recorder);
    const Uint32 id = screen->WindowId();

    SDL_Event event = KeyEvent(SDL_KEYDOWN, id, SDL_SCANCODE_RETURN, SDLK_RETURN);
    SDL_PushEvent(&event);
    event = KeyEvent(SDL_KEYUP, id, SDL_SCANCODE_KP_4, SDLK_LEFT); // Num Lock off
    SDL_PushEvent(&event);
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    text.text.windowID = id;
    std::strcpy(text.text.text, "\xc3\xa9\xe6\xbc\xa2\xe2\x82\xac"); // é, a CJK sign, €
    SDL_PushEvent(&text);
    SDL_Event button{};
    button.type = SDL_MOUSEBUTTONDOWN;
    button.button.windowID = id;
    button.button.button = SDL_BUTTON_RIGHT;
    SDL_PushEvent(&button);
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.windowID = id;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&close);
    events.ServePending();
    EXPECT_EQ(recorder.log, "down13 char13 up100 char233 char128 click2 close ");

    // A call posted from another thread runs on this one, and the loop ends when asked.
    recorder.log.clear();
    std::atomic<bool> done{false};
    bool ranHere = false;
    const std::thread::id loop = std::this_thread::get_id();
    std::thread poster([&] {
        events.Calls().RunAndWait([&] { ranHere = std::this_thread::get_id() == loop; });
        done = true;
        events.Wake();
    });
    events.Run([&] { return done.load(); });
    poster.join();
    EXPECT_TRUE(ranHere);

    event = KeyEvent(SDL_KEYDOWN, id, SDL_SCANCODE_A, SDLK_a);
    SDL_PushEvent(&event);
    SDL_Event other{};
    other.type = SDL_KEYDOWN;
    other.key.windowID = id + 1000;
    SDL_PushEvent(&other);
    const std::optional<SDL_Event> modal = events.NextModalEvent(50);
    ASSERT_TRUE(modal.has_value());
    EXPECT_EQ(modal->key.windowID, id + 1000) << "the modal window's own event";
    EXPECT_EQ(recorder.log, "") << "the key meant for the game behind the box is dropped";
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

} // namespace
} // namespace velkaro
