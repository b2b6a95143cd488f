#pragma once

#include "base/Bitmap.h"

#include <cstdint>
#include <optional>
#include <span>

namespace velkaro {

// Windows metafiles: enhanced (EMF, with or without EMF+ records), placeable WMF and plain WMF.
enum class MetafileKind { None, Enhanced, Placeable, Plain };

// Which kind of metafile `bytes` starts with, by its header alone.
MetafileKind MetafileKindOf(std::span<const std::uint8_t> bytes);

// The metafile in `bytes` drawn at its own size in pixels, over white. An enhanced metafile's
// size comes from its frame (0.01 mm) and the pixels a millimetre of the device it was made on,
// else from its bounds; a placeable one's from its bounding box and units an inch, at 96 dots
// an inch; a plain one's from its first window extent. Throws PictureError when the file is
// damaged, gives no size, or is larger than a picture may be.
//
// A document that shows the drawing at a size of its own gives `shownSize`: the drawing is then
// drawn at that size in pixels, sharp, and a plain WMF that sets no window extent (as pictures
// inside rich text often are) shows what it draws. Without it, such a WMF shows what it draws at
// a pixel a unit.
struct MetafileSize {
    int width = 0;
    int height = 0;
};
Bitmap DecodeMetafile(std::span<const std::uint8_t> bytes,
                      std::optional<MetafileSize> shownSize = std::nullopt);

} // namespace velkaro
