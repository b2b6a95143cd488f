#pragma once

#include "platform/Pictures.h"

#include <cstdint>
#include <span>

namespace velkaro {

// Reads BMP, JPEG, GIF and icon files, telling them apart by their first bytes, so that a
// picture saved under the wrong extension still loads. Of a GIF the first frame is shown, and
// its transparent pixels, like any part of its screen that frame leaves uncovered, are white.
// Of an icon the largest picture is shown, with the pixels its mask or alpha channel removes
// white. Windows metafiles are not read, nor PNG files on their own (PNG only inside icons).
class PictureLoader : public Pictures {
public:
    Bitmap Load(const std::filesystem::path& file) override;

    // The picture held in `bytes`. Throws PictureError with the reason alone.
    static Bitmap Decode(std::span<const std::uint8_t> bytes);
};

} // namespace velkaro
