#pragma once

#include "base/Bitmap.h"
#include "data/LoadContext.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velkaro {

// Whether a sprite of width x height pixels with sub-images can be loaded: at least one pixel
// a side, and within the picture limits (base/Limits.h).
bool ValidSpriteSize(std::int64_t width, std::int64_t height);

// An object's sprite: equally sized sub-images (animation frames), decoded once at load.
class CImage {
public:
    std::int32_t width = 1;
    std::int32_t height = 1;
    // Read from the file and kept; nothing depends on them.
    std::array<std::int32_t, 4> reserved{};

    // Reads the image record. `owner` names the sprite in the messages of a file that is
    // refused: its size, a sub-image larger than the sprite, pixels beyond the game's budget.
    void Load(LoadContext& context, const std::string& owner = "a sprite");
    void Clear();

    // The number of sub-images; 0 means the object has no sprite.
    int Count() const { return static_cast<int>(frames_.size()); }
    // A copy of sub-image `index`, none outside 0..Count()-1.
    std::optional<Bitmap> GetFrame(int index) const;
    // Sub-image `index` itself, null outside 0..Count()-1.
    const Bitmap* Frame(int index) const;

    // Pixels of this colour (or of a sub-image's own bottom-left colour) are not drawn. It is
    // the bottom-left colour of sub-image 0, white without sub-images.
    Colour TransparentColour() const { return transparent_; }

    // Adds a decoded sub-image; the loader and tests build images this way.
    void AddFrame(Bitmap frame);

private:
    std::vector<Bitmap> frames_;
    Colour transparent_ = 0xFFFFFF;
};

// The colour of a sub-image's bottom-left pixel (white for an empty picture).
Colour BottomLeftColour(const Bitmap& frame);

// Solid pixels of one sub-image, indexed [x][y].
class CMask {
public:
    CMask(int width, int height)
        : width_(width), height_(height),
          solid_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Solid(int x, int y) const { return solid_[Index(x, y)] != 0; }
    void Set(int x, int y, bool solid) { solid_[Index(x, y)] = solid ? 1 : 0; }

private:
    std::size_t Index(int x, int y) const {
        return static_cast<std::size_t>(x) * static_cast<std::size_t>(height_) +
               static_cast<std::size_t>(y);
    }

    int width_;
    int height_;
    std::vector<std::uint8_t> solid_;
};

// One mask per sub-image.
using CImageMask = std::vector<CMask>;

// The masks of an image: a pixel is solid when it differs from its sub-image's bottom-left
// pixel. A mask covers the image's width x height, cut to the sub-image's own size when that is
// smaller: pixels outside a mask are not solid, and callers check a mask's own bounds.
CImageMask BuildImageMask(const CImage& image);

} // namespace velkaro
