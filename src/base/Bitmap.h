#pragma once

#include <cstdint>
#include <vector>

namespace velkaro {

// A colour as games store and compute it: 0x00BBGGRR.
using Colour = std::uint32_t;

// Pixels are 0xAARRGGBB words in native order (the layout Cairo draws into); every pixel a
// picture decoder produces is opaque.
using Pixel = std::uint32_t;

constexpr Pixel PixelFromColour(Colour c) {
    return 0xFF000000u | (c & 0xFFu) << 16 | (c & 0xFF00u) | (c >> 16 & 0xFFu);
}

constexpr Colour ColourFromPixel(Pixel p) {
    return (p >> 16 & 0xFFu) | (p & 0xFF00u) | (p & 0xFFu) << 16;
}

constexpr Pixel PixelFromRgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return 0xFF000000u | std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b;
}

// An owned, top-down, 32-bit picture.
class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, Pixel fill = 0xFF000000u)
        : width_(width), height_(height),
          pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return pixels_.empty(); }

    Pixel At(int x, int y) const { return pixels_[Index(x, y)]; }
    Pixel& At(int x, int y) { return pixels_[Index(x, y)]; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    const Pixel* Row(int y) const { return pixels_.data() + Index(0, y); }
    Pixel* Row(int y) { return pixels_.data() + Index(0, y); }
    const std::vector<Pixel>& Pixels() const { return pixels_; }

    bool operator==(const Bitmap&) const = default;

private:
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel> pixels_;
};

} // namespace velkaro
