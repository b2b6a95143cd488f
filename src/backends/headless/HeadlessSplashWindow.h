#pragma once

#include "backends/headless/HeadlessScreen.h"
#include "backends/headless/Transcript.h"
#include "platform/SplashWindow.h"

namespace velkaro {

// The splash window of a headless run: each screen is one "splash" transcript line with its
// type and file, and closes at once, as if the player had pressed a key.
class HeadlessSplashWindow : public SplashWindow {
public:
    explicit HeadlessSplashWindow(Transcript& transcript) : transcript_(transcript) {}

    ScreenSize SplashScreenSize() const override { return kHeadlessScreenSize; }
    void ShowImage(const std::filesystem::path& file, const Bitmap& picture, SplashBox window,
                   SplashBox place, std::int32_t delayMs) override;
    void ShowVideo(const std::filesystem::path& file, bool full, bool loop) override;
    void ShowText(const std::filesystem::path& file, SplashBox window, Colour background,
                  std::int32_t delayMs) override;

private:
    void Write(const char* type, const std::filesystem::path& file);

    Transcript& transcript_;
};

} // namespace velkaro
