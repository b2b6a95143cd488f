#include "backends/headless/HeadlessScreen.h"

#include "codecs/PngFile.h"

#include <algorithm>
#include <utility>

namespace velkaro {

void HeadlessScreen::ShowWindow(int width, int height) {
    width_ = width;
    height_ = height;
}

void HeadlessScreen::Present(const Bitmap& frame, int x1, int y1, int x2, int y2) {
    const int boxWidth = x2 - x1;
    const int boxHeight = y2 - y1;
    const int width = width_ > 0 ? width_ : std::max(boxWidth, 0);
    const int height = height_ > 0 ? height_ : std::max(boxHeight, 0);
    if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0 || frame.Width() <= 0 ||
        frame.Height() <= 0) {
        return;
    }
    // The window is black where the picture does not cover it; the picture is stretched by
    // taking the nearest pixel, as a plain blit would. The shown picture is kept from frame
    // to frame: this runs every step.
    if (frame_.Width() != width || frame_.Height() != height) {
        frame_ = Bitmap(width, height, 0xFF000000u);
    } else if (x1 > 0 || y1 > 0 || x2 < width || y2 < height) {
        frame_ = Bitmap(width, height, 0xFF000000u);
    }
    const int left = std::max(x1, 0);
    const int right = std::min(x2, width);
    for (int y = std::max(y1, 0); y < std::min(y2, height); ++y) {
        const int sy =
            static_cast<int>(static_cast<long long>(y - y1) * frame.Height() / boxHeight);
        const Pixel* source = frame.Row(sy);
        Pixel* target = frame_.Row(y);
        if (boxWidth == frame.Width()) {
            std::copy(source + (left - x1), source + (right - x1), target + left);
            continue;
        }
        for (int x = left; x < right; ++x) {
            target[x] = source[static_cast<long long>(x - x1) * frame.Width() / boxWidth];
        }
    }
    fresh_ = true;
}

void HeadlessScreen::WriteFrame(const std::filesystem::path& file) {
    WritePng(frame_, file);
    fresh_ = false;
}

} // namespace velkaro
