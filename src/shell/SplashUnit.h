#pragma once

#include "engine/GameServices.h"
#include "platform/Dialogs.h"
#include "platform/Pictures.h"
#include "platform/SplashWindow.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace velkaro {

// The start and end screens and the pictures, videos and texts games show from their code: a
// screen whose file does not exist is skipped; a picture that cannot be read is reported in a
// message box instead of being shown. Decides where each screen goes and leaves the showing to
// the splash window.
class CSplashScreens : public ScreenService {
public:
    CSplashScreens(SplashWindow& window, Pictures& pictures, Dialogs& dialogs)
        : window_(window), pictures_(pictures), dialogs_(dialogs) {}

    // Full-screen pictures are scaled to fit the screen; others get a window of their own
    // size, centred, and are shown unscaled.
    void ShowSplashImage(const std::string& file, bool full, std::int32_t delayMs) override;
    void ShowSplashVideo(const std::string& file, bool full, bool loop) override;
    // Texts get the whole screen or a centred window of 640 x 480, whatever their length.
    void ShowSplashText(const std::string& file, bool full, Colour background,
                        std::int32_t delayMs) override;

private:
    SplashWindow& window_;
    Pictures& pictures_;
    Dialogs& dialogs_;
};

// The file a full name stands for, with "\" read as "/" and letter case matched as games
// expect; none when no such file exists.
std::optional<std::filesystem::path> ExistingFile(const std::string& fullName);

} // namespace velkaro
