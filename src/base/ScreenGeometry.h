#pragma once

namespace velkaro {

// The size of a whole screen, in pixels.
struct ScreenSize {
    int width = 0;
    int height = 0;
};

// A rectangle on the screen or inside the splash window.
struct SplashBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const SplashBox&) const = default;
};

// Where a picture of width x height goes on a whole screen: scaled by the smaller of the two
// ratios screen / picture, keeping its proportions, to a size rounded to whole pixels (halves
// to even), and centred (offsets rounded toward zero). A picture without pixels stays empty at
// the centre.
SplashBox FitToScreen(int width, int height, ScreenSize screen);

// A window of width x height centred on the screen (offsets rounded toward zero).
SplashBox CentreOnScreen(int width, int height, ScreenSize screen);

} // namespace velkaro
