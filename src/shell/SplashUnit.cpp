#include "shell/SplashUnit.h"

#include "base/AnsiText.h"
#include "base/Files.h"
#include "codecs/PictureError.h"

#include <algorithm>
#include <system_error>

namespace velkaro {
namespace {

constexpr int kTextWindowWidth = 640;
constexpr int kTextWindowHeight = 480;

SplashBox WholeScreen(ScreenSize screen) {
    return SplashBox{0, 0, screen.width, screen.height};
}

} // namespace

std::optional<std::filesystem::path> ExistingFile(const std::string& fullName) {
    if (fullName.empty()) {
        return std::nullopt;
    }
    std::string name = AnsiToUtf8(fullName);
    std::replace(name.begin(), name.end(), '\\', '/');
    const std::filesystem::path path = MatchPathWithoutCase(std::filesystem::path(name));
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    return path;
}

void CSplashScreens::ShowSplashImage(const std::string& file, bool full, std::int32_t delayMs) {
    const auto path = ExistingFile(file);
    if (!path) {
        return;
    }
    Bitmap picture;
    try {
        picture = pictures_.Load(*path);
    } catch (const PictureError& error) {
        dialogs_.ShowFailure(error.what(), *path);
        return;
    }
    const ScreenSize screen = window_.SplashScreenSize();
    if (full) {
        window_.ShowImage(*path, picture, WholeScreen(screen),
                          FitToScreen(picture.Width(), picture.Height(), screen), delayMs);
    } else {
        window_.ShowImage(*path, picture, CentreOnScreen(picture.Width(), picture.Height(), screen),
                          SplashBox{0, 0, picture.Width(), picture.Height()}, delayMs);
    }
}

void CSplashScreens::ShowSplashVideo(const std::string& file, bool full, bool loop) {
    if (const auto path = ExistingFile(file)) {
        window_.ShowVideo(*path, full, loop);
    }
}

void CSplashScreens::ShowSplashText(const std::string& file, bool full, Colour background,
                                    std::int32_t delayMs) {
    const auto path = ExistingFile(file);
    if (!path) {
        return;
    }
    const ScreenSize screen = window_.SplashScreenSize();
    const SplashBox box =
        full ? WholeScreen(screen) : CentreOnScreen(kTextWindowWidth, kTextWindowHeight, screen);
    window_.ShowText(*path, box, background, delayMs);
}

} // namespace velkaro
