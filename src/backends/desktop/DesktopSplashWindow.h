#pragma once

#include "backends/desktop/ModalWindow.h"
#include "base/Bitmap.h"
#include "base/ScreenGeometry.h"
#include "platform/SplashWindow.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

struct SDL_Window;
union SDL_Event;

namespace velkaro {

// Draws a text screen: the bytes of its file (rich text or plain text, Windows-1252) over the
// whole of `target`, which already holds the background colour.
using SplashTextPainter =
    std::function<void(Bitmap& target, const std::string& fileText, Colour background)>;

// The text of a text screen, 20 pixels in from every edge, its lines broken where the file
// breaks them and between words where they are too wide. Rich text keeps its fonts and colours;
// plain text is black on a light background, white on a dark one. What does not fit below is
// left out.
void PaintScreenText(Bitmap& target, const std::string& fileText, Colour background);

// The picture of a splash window as large as `window`: black, with `picture` stretched over
// `place` (in the window's pixels) by repeating or dropping pixels, never blended.
Bitmap SplashImagePicture(const Bitmap& picture, SplashBox window, SplashBox place);

// When a splash screen closes: at the end of its delay (none when the delay is 0 or less), on a
// key going down, on a mouse button going down on it, when its window is closed or when the
// program is asked to end. A key still held from before the screen opened repeats: that does
// not close it, so the key that made a game show the screen does not close it at once.
class SplashClosing {
public:
    // Shown at shownMs on SDL's clock.
    SplashClosing(std::int32_t delayMs, std::uint64_t shownMs);

    // An event of the screen's window (or SDL_QUIT). Answers whether it closed the screen.
    bool Handle(const SDL_Event& event);
    // Closes the screen when its time is up at nowMs.
    void Tick(std::uint64_t nowMs);
    bool Closed() const { return closed_; }
    // How long the loop may wait for an event at nowMs: until the time is up, at most `longest`.
    int WaitMs(std::uint64_t nowMs, int longest) const;

private:
    std::int32_t delayMs_;
    std::uint64_t shownMs_;
    bool closed_ = false;
};

// The start and end screens in a borderless window above all others. Each call returns once
// the screen has closed; meanwhile the game's window is served by the caller's event source.
// Calls are made on the thread of the window's events. Without a display, and for a picture or
// video that holds nothing to show, a call returns at once with a line on standard error.
class DesktopSplashWindow final : public SplashWindow {
public:
    // `parent` is the game's window, which the screens are modal for (null: none); `screen` the
    // size of the screen they cover; `nextEvent` the caller's modal event source; `paintText`
    // draws text screens.
    DesktopSplashWindow(SDL_Window* parent, ScreenSize screen, ModalEventSource nextEvent,
                        SplashTextPainter paintText = PaintScreenText);
    ~DesktopSplashWindow() override;
    DesktopSplashWindow(const DesktopSplashWindow&) = delete;
    DesktopSplashWindow& operator=(const DesktopSplashWindow&) = delete;

    ScreenSize SplashScreenSize() const override { return screen_; }
    void ShowImage(const std::filesystem::path& file, const Bitmap& picture, SplashBox window,
                   SplashBox place, std::int32_t delayMs) override;
    // Played by libmpv with its sound, each frame drawn in software: in full screen the frame is
    // the video scaled to FitToScreen's box.
    void ShowVideo(const std::filesystem::path& file, bool full, bool loop) override;
    void ShowText(const std::filesystem::path& file, SplashBox window, Colour background,
                  std::int32_t delayMs) override;

    // The last frame of the last video shown, as large as it was drawn; empty when it drew none.
    const Bitmap& LastVideoFrame() const { return lastFrame_; }

private:
    // Shows the picture in a window covering `window` until the screen closes.
    void ShowStill(const Bitmap& picture, SplashBox window, std::int32_t delayMs);
    void PlayVideo(const std::filesystem::path& file, bool full, bool loop);

    SDL_Window* parent_;
    ScreenSize screen_;
    ModalEventSource nextEvent_;
    SplashTextPainter paintText_;
    // The event with which mpv's threads wake the loop.
    std::uint32_t wakeEvent_;
    Bitmap lastFrame_;
};

} // namespace velkaro
