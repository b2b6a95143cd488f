#pragma once

#include <cairo.h>

#include <cstdint>

struct _wmfAPI;

namespace velkaro {

// Where libwmf's drawing goes: a Cairo context, and the part of libwmf's plane the picture shows
// (libwmf's units: the file's own for a plain WMF, points for a placeable one).
struct WmfCairoTarget {
    cairo_t* cairo = nullptr;
    double left = 0;
    double top = 0;
    // Pixels a unit.
    double scaleX = 1;
    double scaleY = 1;
    // The pixels of the bitmaps drawn so far, held to limits::kMetafileBitmapPixels.
    std::int64_t bitmapPixels = 0;
};

// The drawing device to name in wmfAPI_Options::function: libwmf plays the records (device
// context, mapping, objects) and this draws each shape, text and bitmap with Cairo, in the
// file's exact colours. Its target is a WmfCairoTarget at the API's device_data, zeroed when
// the API is made; fill it in before playing.
void WmfCairoDevice(_wmfAPI* api);

} // namespace velkaro
