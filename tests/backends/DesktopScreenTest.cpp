#include "backends/desktop/DesktopScreen.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>

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

} // namespace
} // namespace velkaro
