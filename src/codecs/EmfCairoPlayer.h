#pragma once

#include <cairo.h>

#include <cstdint>
#include <span>

namespace velkaro {

// The part of an enhanced metafile's device plane a picture shows, in the device pixels the
// file was made for, and the picture's pixels to one of them.
struct EmfView {
    double left = 0;
    double top = 0;
    double scaleX = 1;
    double scaleY = 1;
    // The size of a device pixel in millimetres, for the metric mapping modes.
    double millimetresX = 0.25;
    double millimetresY = 0.25;
};

// Plays the records of an enhanced metafile onto `cairo`: shapes, lines, paths, text, clipping
// and bitmaps, with the device context's mapping modes, world transform, saved states and
// objects. The records must have been walked already (each inside the file, each bitmap inside
// its record, uncompressed); a record too short for what it says, or of a kind not drawn (the
// EMF+ records beside the EMF ones among them), is passed over.
void PlayEmf(std::span<const std::uint8_t> records, cairo_t* cairo, const EmfView& view);

} // namespace velkaro
