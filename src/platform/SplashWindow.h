#pragma once

#include "base/Bitmap.h"
#include "base/ScreenGeometry.h"

#include <cstdint>
#include <filesystem>

namespace velkaro {

// The borderless, always-on-top window of the start and end screens, which games also show
// from their code. Each call shows the window modally and returns once it has closed: when
// its time is up (a delay of 0 never ends it), when a key is pressed or when a mouse button
// goes down on it. Where the window and its content go is decided by the caller.
class SplashWindow {
public:
    virtual ~SplashWindow() = default;

    virtual ScreenSize SplashScreenSize() const = 0;

    // `picture`, read from `file`, drawn at `place` (scaled to its size) inside a black window
    // covering `window`.
    virtual void ShowImage(const std::filesystem::path& file, const Bitmap& picture,
                           SplashBox window, SplashBox place, std::int32_t delayMs) = 0;
    // The video in `file`: in a window of its natural size centred on the screen, or over the
    // whole screen scaled to fit (see FitToScreen) when `full`. Plays again from the start at its
    // end when `loop`, otherwise the window closes then.
    virtual void ShowVideo(const std::filesystem::path& file, bool full, bool loop) = 0;
    // The text in `file` (rich text or plain text), read-only, on `background`, in a window
    // covering `window`.
    virtual void ShowText(const std::filesystem::path& file, SplashBox window, Colour background,
                          std::int32_t delayMs) = 0;
};

} // namespace velkaro
