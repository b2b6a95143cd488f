#include "base/ScreenGeometry.h"

#include <algorithm>
#include <cmath>

namespace velkaro {

SplashBox FitToScreen(int width, int height, ScreenSize screen) {
    if (width <= 0 || height <= 0) {
        return CentreOnScreen(0, 0, screen);
    }
    const double scale = std::min(static_cast<double>(screen.height) / height,
                                  static_cast<double>(screen.width) / width);
    // The current rounding mode is to nearest, halves to even.
    const int w = static_cast<int>(std::nearbyint(width * scale));
    const int h = static_cast<int>(std::nearbyint(height * scale));
    return CentreOnScreen(w, h, screen);
}

SplashBox CentreOnScreen(int width, int height, ScreenSize screen) {
    return SplashBox{(screen.width - width) / 2, (screen.height - height) / 2, width, height};
}

} // namespace velkaro
