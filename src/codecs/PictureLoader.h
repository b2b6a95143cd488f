#pragma once

#include "platform/Pictures.h"

#include <cstdint>
#include <span>

namespace velkaro {

// Reads BMP, PNG, JPEG, GIF, icon and Windows metafile (WMF, EMF) files, telling them apart by
// their first bytes, so that a picture saved under the wrong extension still loads. Of a GIF the
// first frame is shown, and its transparent pixels, like any part of its screen that frame leaves
// uncovered, are white; a PNG's transparent parts are white too. Of an icon the largest picture
// is shown, with the pixels its mask or alpha channel removes white. A metafile is drawn at its
// own size over white (codecs/MetafileCodec.h).
class PictureLoader : public Pictures {
public:
    Bitmap Load(const std::filesystem::path& file) override;

    // The picture held in `bytes`. Throws PictureError with the reason alone.
    static Bitmap Decode(std::span<const std::uint8_t> bytes);
};

} // namespace velkaro
