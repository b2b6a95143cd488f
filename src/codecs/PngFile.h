#pragma once

#include "base/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <span>

namespace velkaro {

// Reads a PNG file of any colour type and depth. The picture is composited onto white, so
// that every pixel is opaque as the rest of the system expects: a fully transparent pixel
// becomes white, a half transparent one a blend of its colour and white. Throws PictureError
// naming the file when it cannot be read, is not a PNG or is larger than 32768 pixels a side
// or 2^26 pixels in all.
Bitmap ReadPng(const std::filesystem::path& path);

// The PNG picture in `bytes`, read as ReadPng reads a file. Throws PictureError with the
// reason alone.
Bitmap DecodePng(std::span<const std::uint8_t> bytes);

// Writes the bitmap as a PNG file, whole: into a temporary file beside it, then renamed, so
// that the file is never seen half written. Opaque bitmaps are written without an alpha
// channel. Throws PictureError naming the file when it cannot be written.
void WritePng(const Bitmap& bitmap, const std::filesystem::path& path);

} // namespace velkaro
