#include "backends/desktop/DesktopSplashWindow.h"
#include "support/SdlEvents.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>

namespace velkaro {
namespace {

using namespace test;

constexpr Pixel kRed = 0xFFFF0000u;
constexpr Pixel kBlue = 0xFF0000FFu;
constexpr Pixel kBlack = 0xFF000000u;

TEST(SplashPictures, ThePictureIsStretchedIntoItsPlaceOnBlack) {
    Bitmap picture(2, 1, kRed);
    picture.At(1, 0) = kBlue;
    const Bitmap shown = SplashImagePicture(picture, {100, 100, 60, 30}, {10, 5, 40, 20});
    ASSERT_EQ(shown.Width(), 60);
    ASSERT_EQ(shown.Height(), 30);
    EXPECT_EQ(CountPixels(shown, BoxArea{10, 5, 20, 20}, kRed), 400);
    EXPECT_EQ(CountPixels(shown, BoxArea{30, 5, 20, 20}, kBlue), 400);
    EXPECT_EQ(CountPixels(shown, BoxArea{0, 0, 60, 30}, kBlack), 60 * 30 - 800);
}

TEST(SplashPictures, PlainTextStaysInsideItsBorderInAColourThatStandsOut) {
    const Pixel darkBlue = PixelFromColour(0x400000);
    Bitmap dark(300, 200, darkBlue);
    std::string text = "One\r\ntwo\r";
    for (int i = 0; i < 12; ++i) {
        text += "word ";
    }
    PaintScreenText(dark, text, 0x400000);
    int lines = 0;
    for (int y = 1; y < dark.Height(); ++y) {
        const auto inked = [&](int row) {
            return CountPixels(dark, BoxArea{0, row, dark.Width(), 1}, darkBlue) < dark.Width();
        };
        lines += inked(y) && !inked(y - 1) ? 1 : 0;
    }
    EXPECT_GE(lines, 4) << "a band for each line, the long one broken";
    EXPECT_GT(CountPixels(dark, BoxArea{20, 20, 260, 160}, 0xFFFFFFFFu), 20) << "white";
    for (const BoxArea& border :
         {BoxArea{0, 0, 300, 20}, BoxArea{0, 0, 20, 200}, BoxArea{280, 0, 20, 200}}) {
        EXPECT_EQ(CountPixels(dark, border, darkBlue), border.width * border.height);
    }
}

// SDL's dummy video driver; events come from the test as the player's loop would hand them on.
class SplashWindowTest : public testing::Test {
protected:
    using Script = std::deque<std::function<std::optional<SDL_Event>(Uint32 splash)>>;

    void SetUp() override {
        SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "dummy", SDL_HINT_OVERRIDE);
        if (SDL_VideoInit("dummy") != 0) {
            GTEST_SKIP() << "no dummy video driver: " << SDL_GetError();
        }
        game_ = SDL_CreateWindow("Game", 0, 0, 320, 240, SDL_WINDOW_SHOWN);
        ASSERT_NE(game_, nullptr) << SDL_GetError();
    }
    void TearDown() override {
        SDL_DestroyWindow(game_);
        SDL_VideoQuit();
        SDL_ResetHint(SDL_HINT_VIDEODRIVER);
    }

    // SDL numbers windows in the order they open; earlier screens' windows are gone.
    SDL_Window* Splash() const {
        for (Uint32 id = SDL_GetWindowID(game_) + 1; id < SDL_GetWindowID(game_) + 10; ++id) {
            if (SDL_Window* window = SDL_GetWindowFromID(id)) {
                return window;
            }
        }
        return nullptr;
    }

    DesktopSplashWindow Window(Script& script, SplashTextPainter painter = PaintScreenText) {
        return DesktopSplashWindow(
            game_, {1024, 768},
            [this, &script](int timeoutMs) -> std::optional<SDL_Event> {
                SDL_Window* splash = Splash();
                if (splash == nullptr || script.empty()) {
                    ADD_FAILURE() << "no screen, or the screen stays open after its events";
                    return SDL_Event{SDL_QUIT};
                }
                SDL_GetWindowPosition(splash, &shown_.x, &shown_.y);
                SDL_GetWindowSize(splash, &shown_.w, &shown_.h);
                waits_.push_back(timeoutMs);
                const auto event = script.front()(SDL_GetWindowID(splash));
                script.pop_front();
                return event;
            },
            std::move(painter));
    }

    SDL_Window* game_ = nullptr;
    SDL_Rect shown_{};
    std::vector<int> waits_;
};

TEST_F(SplashWindowTest, APictureCoversItsBoxUntilAKeyOrAClick) {
    const Bitmap picture(8, 6, kRed);
    Script script = {[](Uint32) { return std::nullopt; },
                     [&](Uint32) { return KeyEvent(SDLK_a, KMOD_NONE, SDL_GetWindowID(game_)); },
                     [](Uint32 splash) { return KeyEvent(SDLK_a, KMOD_NONE, splash, true); },
                     [](Uint32 splash) { return KeyEvent(SDLK_SPACE, KMOD_NONE, splash); }};
    Window(script).ShowImage("start.bmp", picture, {300, 200, 80, 60}, {0, 0, 80, 60}, 0);
    EXPECT_TRUE(script.empty()) << "closed early";
    EXPECT_EQ(shown_.x, 300);
    EXPECT_EQ(shown_.y, 200);
    EXPECT_EQ(shown_.w, 80);
    EXPECT_EQ(shown_.h, 60);
    EXPECT_EQ(Splash(), nullptr) << "the window is gone";

    script = {[](Uint32 splash) { return MouseEvent(SDL_MOUSEMOTION, 3, 3, 0, splash); },
              [](Uint32 splash) {
                  return MouseEvent(SDL_MOUSEBUTTONDOWN, 3, 3, SDL_BUTTON_RIGHT, splash);
              }};
    Window(script).ShowImage("start.bmp", picture, {0, 0, 1024, 768}, {0, 64, 1024, 640}, 0);
    EXPECT_TRUE(script.empty());
    EXPECT_EQ(shown_.w, 1024);
    EXPECT_EQ(waits_.back(), 500) << "no delay, no timer";

    // An empty picture would make a window that could not be seen, and so never be closed.
    const std::size_t waited = waits_.size();
    std::ostringstream err;
    {
        const StandardErrorTo redirect(err);
        Window(script).ShowImage("broken.bmp", Bitmap(), {0, 0, 10, 10}, {0, 0, 10, 10}, 0);
    }
    EXPECT_NE(err.str().find("broken.bmp"), std::string::npos);
    EXPECT_EQ(waits_.size(), waited);
}

// A delay of 0 never ends the screen: it waits for the player without a timer (above).
TEST_F(SplashWindowTest, TheDelayClosesTheScreenWithoutAnyEvent) {
    Script script;
    for (int i = 0; i < 50; ++i) {
        script.push_back([](Uint32) {
            SDL_Delay(10);
            return std::nullopt;
        });
    }
    const auto start = std::chrono::steady_clock::now();
    Window(script).ShowImage("start.bmp", Bitmap(4, 4), {0, 0, 4, 4}, {0, 0, 4, 4}, 100);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_FALSE(script.empty()) << "closed at the end of its time, not of its events";
    EXPECT_LE(*std::max_element(waits_.begin(), waits_.end()), 100) << "no wait beyond the delay";
}

TEST_F(SplashWindowTest, ATextIsPaintedFromItsFileOnItsBackground) {
    const auto file = std::filesystem::path(testing::TempDir()) / "splash-text.txt";
    std::ofstream(file, std::ios::binary) << "Caf\xe9\r\nline two";
    std::string painted;
    Script script = {[](Uint32 splash) { return WindowEvent(SDL_WINDOWEVENT_CLOSE, splash); }};
    Window(script, [&](Bitmap& target, const std::string& text, Colour background) {
        painted = text;
        EXPECT_EQ(background, 0x00FFFFu);
        EXPECT_EQ(target.At(639, 479), PixelFromColour(0x00FFFF)) << "filled, 640 x 480";
    }).ShowText(file, {192, 144, 640, 480}, 0x00FFFF, 0);
    EXPECT_EQ(painted, "Caf\xe9\r\nline two") << "the file's own bytes";
    EXPECT_EQ(shown_.x, 192);
    std::filesystem::remove(file);
}

// Videos need a display and mpv: they run under a virtual display (ctest's desktop_screen),
// with a one-second red video made by ffmpeg.
class SplashVideoOnDisplay : public testing::Test {
protected:
    void SetUp() override {
        video_ = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        if (!video_ || std::string(SDL_GetCurrentVideoDriver()) != "x11") {
            if (std::getenv("VELKARO_NEEDS_DISPLAY") != nullptr) {
                FAIL() << "no display";
            }
            GTEST_SKIP() << "no display";
        }
        if (std::system("command -v ffmpeg > /dev/null 2>&1") != 0) {
            GTEST_SKIP() << "ffmpeg is missing: no video to play";
        }
        const std::string make = "ffmpeg -loglevel error -y -f lavfi -i color=c=red:s=64x48:d=1 "
                                 "-pix_fmt yuv420p " +
                                 red_.string();
        ASSERT_EQ(std::system(make.c_str()), 0);
        game_ = SDL_CreateWindow("Game", 0, 0, 320, 240, SDL_WINDOW_HIDDEN);
        ASSERT_NE(game_, nullptr) << SDL_GetError();
        window_.emplace(game_, ScreenSize{1024, 768},
                        [this](int timeoutMs) { return NextEvent(timeoutMs); });
    }
    void TearDown() override {
        window_.reset();
        SDL_DestroyWindow(game_);
        if (video_) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        }
        std::filesystem::remove(red_);
    }

    // SDL's events, and Escape on the screen once it has been open for `escapeAfter_`.
    std::optional<SDL_Event> NextEvent(int timeoutMs) {
        const Uint32 id = SDL_GetWindowID(game_) + 1;
        if (SDL_Window* splash = SDL_GetWindowFromID(id)) {
            SDL_GetWindowSize(splash, &shown_.w, &shown_.h);
            flags_ = SDL_GetWindowFlags(splash);
            if (std::chrono::steady_clock::now() - start_ > escapeAfter_) {
                return KeyEvent(SDLK_ESCAPE, KMOD_NONE, id);
            }
        }
        SDL_Event event;
        if (SDL_WaitEventTimeout(&event, timeoutMs) == 0) {
            return std::nullopt;
        }
        return event;
    }

    // How long the video took to play.
    std::chrono::milliseconds Play(const std::filesystem::path& file, bool full, bool loop) {
        start_ = std::chrono::steady_clock::now();
        window_->ShowVideo(file, full, loop);
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start_);
    }

    static bool IsRed(Pixel pixel) {
        return (pixel >> 16 & 0xFF) > 200 && (pixel >> 8 & 0xFF) < 50 && (pixel & 0xFF) < 50;
    }

    bool video_ = false;
    const std::filesystem::path red_ = std::filesystem::path(testing::TempDir()) / "red.mp4";
    SDL_Window* game_ = nullptr;
    std::optional<DesktopSplashWindow> window_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::milliseconds escapeAfter_{20000};
    SDL_Rect shown_{};
    Uint32 flags_ = 0;
};

TEST_F(SplashVideoOnDisplay, AVideoPlaysInItsOwnSizeAndClosesAtItsEndAFileOfNoneAtOnce) {
    const auto took = Play(red_, false, false);
    EXPECT_GE(took.count(), 700) << "the one-second video was played";
    EXPECT_LE(took.count(), 6000) << "and the screen closed at its end";
    EXPECT_EQ(shown_.w, 64);
    EXPECT_EQ(shown_.h, 48);
    EXPECT_NE(flags_ & SDL_WINDOW_BORDERLESS, 0u);
    EXPECT_NE(flags_ & SDL_WINDOW_ALWAYS_ON_TOP, 0u);
    const Bitmap& frame = window_->LastVideoFrame();
    ASSERT_EQ(frame.Width(), 64);
    ASSERT_EQ(frame.Height(), 48);
    EXPECT_TRUE(IsRed(frame.At(32, 24))) << std::hex << frame.At(32, 24);

    const auto notes = std::filesystem::path(testing::TempDir()) / "notes.mp4";
    std::ofstream(notes) << "not a video at all";
    shown_ = {};
    std::ostringstream err;
    {
        const StandardErrorTo redirect(err);
        EXPECT_LE(Play(notes, false, false).count(), 1500);
    }
    EXPECT_EQ(shown_.w, 0) << "no window opened";
    EXPECT_TRUE(window_->LastVideoFrame().Empty());
    EXPECT_NE(err.str().find("notes.mp4"), std::string::npos);
    std::filesystem::remove(notes);
}

TEST_F(SplashVideoOnDisplay, ALoopingVideoFillsTheScreenUntilAKey) {
    escapeAfter_ = std::chrono::milliseconds(2500);
    EXPECT_GE(Play(red_, true, true).count(), 2500) << "still playing after its end";
    EXPECT_EQ(shown_.w, 1024);
    EXPECT_EQ(shown_.h, 768);
    const Bitmap& frame = window_->LastVideoFrame();
    ASSERT_EQ(frame.Width(), 1024) << "scaled to fit the screen";
    ASSERT_EQ(frame.Height(), 768);
    EXPECT_TRUE(IsRed(frame.At(512, 384))) << std::hex << frame.At(512, 384);
}

} // namespace
} // namespace velkaro
