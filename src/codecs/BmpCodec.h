#pragma once

#include "base/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace velkaro {

// Where the pixel rows of a BMP start. Sprites embedded in a game file are read as a stream:
// the rows follow the colour table directly and the file header's offset is not trusted.
// A BMP file on disk is read the usual way, from the offset its file header gives.
enum class BmpRows { AfterColourTable, AtHeaderOffset };

// The number of bytes the embedded BMP at the start of `data` occupies: file header, info
// header, colour masks, colour table and pixel rows. None when `data` is too short to hold
// the headers that say so. Throws PictureError("Bitmap image is not valid") when the headers
// are not those of a BMP this decoder reads.
std::optional<std::uint64_t> MeasureEmbeddedBmp(std::span<const std::uint8_t> data);

// The size in pixels the headers of the BMP at the start of `data` give, read without
// decoding, so that a caller can refuse a picture before memory is taken for it. None and
// PictureError as for MeasureEmbeddedBmp.
struct BmpDimensions {
    int width = 0;
    int height = 0; // always positive, for top-down rows too
};
std::optional<BmpDimensions> MeasureBmpDimensions(std::span<const std::uint8_t> data);

// Throws PictureError("Bitmap image is not valid") for an embedded BMP that DecodeBmp with
// BmpRows::AfterColourTable refuses, without decoding it: no memory is taken for its pixels.
void CheckEmbeddedBmp(std::span<const std::uint8_t> data);

// Decodes 1, 4, 8, 16, 24 and 32 bits per pixel, the 12-byte core header and 40-byte and
// larger headers, bit-field masks, bottom-up and top-down rows. Throws PictureError with
// "Bitmap image is not valid" for anything else (run-length compression among it) and for
// data that ends too soon.
Bitmap DecodeBmp(std::span<const std::uint8_t> data, BmpRows rows = BmpRows::AtHeaderOffset);

// The picture of one entry of an icon file that is not PNG: an info header without file
// header, whose height counts the colour image and the one-bit AND mask below it. Pixels the
// mask removes come out white; a 32-bit image with an alpha channel is laid over white by it
// instead (the mask is then ignored, as the icon drawing of the original platform does).
// Throws PictureError("Bitmap image is not valid") for what DecodeBmp refuses.
Bitmap DecodeIconImage(std::span<const std::uint8_t> dib);

// A 24-bit bottom-up BMP file with a 40-byte header, as the standard BMP writer makes it.
std::vector<std::uint8_t> EncodeBmp24(const Bitmap& bitmap);

} // namespace velkaro
