#include "backends/headless/HeadlessSplashWindow.h"

namespace velkaro {

void HeadlessSplashWindow::Write(const char* type, const std::filesystem::path& file) {
    // Paths are UTF-8 on this system already.
    transcript_.Write("splash", {{"type", type}, {"file", file.string()}});
}

void HeadlessSplashWindow::ShowImage(const std::filesystem::path& file, const Bitmap&, SplashBox,
                                     SplashBox, std::int32_t) {
    Write("image", file);
}

void HeadlessSplashWindow::ShowVideo(const std::filesystem::path& file, bool, bool) {
    Write("video", file);
}

void HeadlessSplashWindow::ShowText(const std::filesystem::path& file, SplashBox, Colour,
                                    std::int32_t) {
    Write("text", file);
}

} // namespace velkaro
