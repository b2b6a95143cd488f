#include "codecs/MetafileCodec.h"

#include "base/Limits.h"
#include "codecs/EmfCairoPlayer.h"
#include "codecs/PictureError.h"
#include "codecs/WmfCairoDevice.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <cairo.h>
#include <libwmf/api.h>

namespace velkaro {
namespace {

constexpr std::uint32_t kEmrHeader = 1;
constexpr std::uint32_t kEmrEof = 14;
constexpr std::uint32_t kEmfSignature = 0x464D4520; // " EMF"
constexpr std::size_t kEmfHeaderSize = 88;
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableHeaderSize = 22;
constexpr std::size_t kWmfHeaderSize = 18; // nine 16-bit words
constexpr std::uint32_t kWmfSetWindowOrg = 0x020B;
constexpr std::uint32_t kWmfSetWindowExt = 0x020C;
constexpr double kScreenDpi = 96.0;

constexpr const char* kDamaged = "the metafile is damaged";
constexpr const char* kTooManyRecords = "the metafile has too many records";

std::uint32_t ReadU16(std::span<const std::uint8_t> d, std::size_t at) {
    return std::uint32_t{d[at]} | std::uint32_t{d[at + 1]} << 8;
}

std::int32_t ReadS16(std::span<const std::uint8_t> d, std::size_t at) {
    return static_cast<std::int16_t>(ReadU16(d, at));
}

std::uint32_t ReadU32(std::span<const std::uint8_t> d, std::size_t at) {
    return ReadU16(d, at) | ReadU16(d, at + 2) << 16;
}

std::int64_t ReadS32(std::span<const std::uint8_t> d, std::size_t at) {
    return static_cast<std::int32_t>(ReadU32(d, at));
}

bool IsPlainWmfHeader(std::span<const std::uint8_t> d, std::size_t at) {
    if (d.size() < at + kWmfHeaderSize) {
        return false;
    }
    const std::uint32_t type = ReadU16(d, at);
    return (type == 1 || type == 2) && ReadU16(d, at + 2) == 9;
}

struct Size {
    std::int64_t width = 0;
    std::int64_t height = 0;
};

// Rounds a size in pixels measured from the file; anything not a finite positive number is
// left at 0 for the caller to refuse.
std::int64_t Pixels(double value) {
    if (!std::isfinite(value) || value < 0.5) {
        return 0;
    }
    return value > 1e12 ? std::int64_t{1} << 40 : std::llround(value);
}

void CheckSize(const Size& size) {
    if (size.width <= 0 || size.height <= 0) {
        throw PictureError("the metafile gives no size");
    }
    if (size.width > limits::kPictureSide || size.height > limits::kPictureSide ||
        size.width * size.height > limits::kDrawingPixels) {
        throw PictureError("the picture is too large (" + std::to_string(size.width) + " x " +
                           std::to_string(size.height) + " pixels)");
    }
}

// Each record is drawn over at most the whole picture: a file whose records could each fill a
// large picture would be drawn for minutes, and is refused instead.
void CheckWork(std::int64_t records, const Size& size) {
    if (records * size.width * size.height > limits::kMetafileWork) {
        throw PictureError("the metafile has too many records for a picture of its size");
    }
}

// --- The canvas drawings are drawn on --------------------------------------------------------

struct SurfaceDestroyer {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
struct ContextDestroyer {
    void operator()(cairo_t* cairo) const { cairo_destroy(cairo); }
};

// A picture of `size` painted white, for a metafile to be drawn on.
struct WhiteCanvas {
    explicit WhiteCanvas(const Size& size)
        : surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(size.width),
                                             static_cast<int>(size.height))),
          cairo(cairo_create(surface.get())) {
        if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
            throw PictureError("the metafile is too large to draw");
        }
        cairo_set_source_rgb(cairo.get(), 1, 1, 1);
        cairo_paint(cairo.get());
    }

    std::unique_ptr<cairo_surface_t, SurfaceDestroyer> surface;
    std::unique_ptr<cairo_t, ContextDestroyer> cairo;
};

// The picture drawn on `surface`, which was painted white before anything was drawn on it.
Bitmap PictureOf(cairo_surface_t* surface) {
    cairo_surface_flush(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* bytes = cairo_image_surface_get_data(surface);
    Bitmap out(width, height);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row = bytes + static_cast<std::ptrdiff_t>(y) * stride;
        std::memcpy(out.Row(y), row, static_cast<std::size_t>(width) * sizeof(Pixel));
        // Everything was drawn over opaque white, so the pixels are opaque already.
        for (int x = 0; x < width; ++x) {
            out.Row(y)[x] |= 0xFF000000u;
        }
    }
    return out;
}

// --- EMF ---------------------------------------------------------------------------------------

// The bitmap a record carries: where its header and its pixels lie in the record.
struct RecordBitmap {
    // Where the four fields giving the places below stand in the record.
    std::size_t fieldsAt = 0;
    std::size_t header = 0;
    std::size_t headerSize = 0;
    std::size_t bits = 0;
    std::size_t bitsSize = 0;
};

// A bitmap header inside a record must lie inside it, and its pixels, when they are not
// compressed, must too: the converters read the pixels the header promises, and allocate for
// its size. The bitmaps of a drawing together are held to limits::kMetafileBitmapPixels, which
// `pixels` counts: the converters read and expand them a pixel at a time. Throws PictureError
// when any of these is not so.
void CheckRecordBitmap(std::span<const std::uint8_t> record, const RecordBitmap& bitmap,
                       std::int64_t& pixels) {
    if (bitmap.headerSize == 0) {
        return;
    }
    const auto inside = [&](std::size_t at, std::size_t size) {
        return at <= record.size() && size <= record.size() - at;
    };
    if (bitmap.headerSize < 12 || !inside(bitmap.header, bitmap.headerSize) ||
        !inside(bitmap.bits, bitmap.bitsSize)) {
        throw PictureError(kDamaged);
    }
    const auto header = record.subspan(bitmap.header, bitmap.headerSize);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bitsPerPixel = 0;
    std::uint32_t compression = 0;
    if (ReadU32(header, 0) == 12) {
        width = ReadU16(header, 4);
        height = ReadU16(header, 6);
        bitsPerPixel = ReadU16(header, 10);
    } else if (bitmap.headerSize >= 40) {
        width = ReadS32(header, 4);
        height = std::abs(ReadS32(header, 8));
        bitsPerPixel = ReadU16(header, 14);
        compression = ReadU32(header, 16);
    } else {
        throw PictureError(kDamaged);
    }
    if (width <= 0 || height <= 0 || width > limits::kPictureSide ||
        height > limits::kPictureSide) {
        throw PictureError(kDamaged);
    }
    pixels += width * height;
    if (pixels > limits::kMetafileBitmapPixels) {
        throw PictureError("the metafile's pictures are too large");
    }
    // Uncompressed (or with bit fields) rows are padded to four bytes.
    constexpr std::uint32_t kRgb = 0;
    constexpr std::uint32_t kBitFields = 3;
    if (compression == kRgb || compression == kBitFields) {
        const std::int64_t rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
        if (bitsPerPixel == 0 || rowBytes * height > static_cast<std::int64_t>(bitmap.bitsSize)) {
            throw PictureError(kDamaged);
        }
    }
}

// Where an EMF record keeps its bitmap, for the records that have one.
std::optional<RecordBitmap> EmfRecordBitmap(std::uint32_t type,
                                            std::span<const std::uint8_t> record) {
    std::size_t at = 0;
    switch (type) {
    case 76:  // BITBLT
    case 77:  // STRETCHBLT
    case 78:  // MASKBLT (its mask is a 1-bit bitmap the converters leave alone)
    case 114: // ALPHABLEND
    case 116: // TRANSPARENTBLT
        at = 84;
        break;
    case 79: // PLGBLT
        at = 96;
        break;
    case 80: // SETDIBITSTODEVICE
    case 81: // STRETCHDIBITS
        at = 48;
        break;
    case 93: // CREATEMONOBRUSH
    case 94: // CREATEDIBPATTERNBRUSHPT
        at = 16;
        break;
    default:
        return std::nullopt;
    }
    if (record.size() < at + 16) {
        // A blit without a source bitmap (a plain fill) ends before the bitmap's fields.
        if (type == 76 || type == 77) {
            return std::nullopt;
        }
        throw PictureError(kDamaged);
    }
    return RecordBitmap{at, ReadU32(record, at), ReadU32(record, at + 4), ReadU32(record, at + 8),
                        ReadU32(record, at + 12)};
}

// Walks the records so that every one lies inside the file, each bitmap inside its record, and
// the converter is handed them up to the end record only. Returns the number of bytes that make
// up the metafile.
std::size_t EmfLength(std::span<const std::uint8_t> d, std::int64_t& records) {
    std::size_t at = 0;
    std::int64_t pixels = 0;
    while (d.size() - at >= 8) {
        const std::uint32_t type = ReadU32(d, at);
        const std::uint32_t size = ReadU32(d, at + 4);
        if (size < 8 || size % 4 != 0 || size > d.size() - at) {
            throw PictureError(kDamaged);
        }
        if (++records > limits::kMetafileRecords) {
            throw PictureError(kTooManyRecords);
        }
        const auto record = d.subspan(at, size);
        if (const auto bitmap = EmfRecordBitmap(type, record)) {
            CheckRecordBitmap(record, *bitmap, pixels);
        }
        at += size;
        if (type == kEmrEof) {
            return at;
        }
    }
    throw PictureError("the metafile is cut short");
}

// The size of an enhanced metafile's picture and the part of its device plane it shows.
struct EmfGeometry {
    Size size;
    EmfView view;
};

EmfGeometry EmfGeometryOf(std::span<const std::uint8_t> d) {
    if (d.size() < kEmfHeaderSize || ReadU32(d, 4) < kEmfHeaderSize) {
        throw PictureError(kDamaged);
    }
    const double devicePixelsX = ReadU32(d, 72);
    const double devicePixelsY = ReadU32(d, 76);
    double deviceMmX = ReadU32(d, 80);
    double deviceMmY = ReadU32(d, 84);
    // Newer headers also give the device's size in micrometres: whole millimetres are too coarse
    // for a small device (78 mm for 298 pixels is 97 dots an inch where 78.89 mm is 96).
    constexpr std::size_t kMicrometresAt = 100;
    if (ReadU32(d, 4) >= kMicrometresAt + 8 && d.size() >= kMicrometresAt + 8 &&
        ReadU32(d, kMicrometresAt) > 0 && ReadU32(d, kMicrometresAt + 4) > 0) {
        deviceMmX = ReadU32(d, kMicrometresAt) / 1000.0;
        deviceMmY = ReadU32(d, kMicrometresAt + 4) / 1000.0;
    }
    EmfGeometry geometry;
    const bool device = devicePixelsX > 0 && devicePixelsY > 0 && deviceMmX > 0 && deviceMmY > 0;
    if (device) {
        geometry.view.millimetresX = deviceMmX / devicePixelsX;
        geometry.view.millimetresY = deviceMmY / devicePixelsY;
        // The frame, in 0.01 mm, on the device.
        const double left = ReadS32(d, 24) / 100.0 / geometry.view.millimetresX;
        const double top = ReadS32(d, 28) / 100.0 / geometry.view.millimetresY;
        const double right = ReadS32(d, 32) / 100.0 / geometry.view.millimetresX;
        const double bottom = ReadS32(d, 36) / 100.0 / geometry.view.millimetresY;
        geometry.size = Size{Pixels(right - left), Pixels(bottom - top)};
        if (geometry.size.width > 0 && geometry.size.height > 0) {
            geometry.view.left = left;
            geometry.view.top = top;
            geometry.view.scaleX = geometry.size.width / (right - left);
            geometry.view.scaleY = geometry.size.height / (bottom - top);
            return geometry;
        }
    }
    // Else the bounds, inclusive device pixels.
    geometry.view.left = static_cast<double>(ReadS32(d, 8));
    geometry.view.top = static_cast<double>(ReadS32(d, 12));
    geometry.size = Size{ReadS32(d, 16) - ReadS32(d, 8) + 1, ReadS32(d, 20) - ReadS32(d, 12) + 1};
    return geometry;
}

// --- Run-length compressed bitmaps ----------------------------------------------------------

constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;

void Put32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// The colour indexes of a run-length compressed bitmap, one byte a pixel, in rows padded to four
// bytes from the bottom row up, as an uncompressed 8-bit bitmap keeps them. Pixels the runs skip
// keep colour 0. Runs that would go past a row or the bitmap stop there.
std::vector<std::uint8_t> ExpandRuns(std::span<const std::uint8_t> bits, std::int64_t width,
                                     std::int64_t height, bool fourBits) {
    const std::size_t stride = static_cast<std::size_t>((width + 3) / 4 * 4);
    std::vector<std::uint8_t> out(stride * static_cast<std::size_t>(height), 0);
    std::int64_t x = 0;
    std::int64_t y = 0;
    const auto put = [&](std::uint8_t index) {
        if (x < width && y < height) {
            out[static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x)] = index;
        }
        ++x;
    };
    std::size_t at = 0;
    while (at + 2 <= bits.size() && y < height) {
        const std::uint8_t count = bits[at];
        const std::uint8_t value = bits[at + 1];
        at += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < width; ++i) {
                put(fourBits ? static_cast<std::uint8_t>(i % 2 == 0 ? value >> 4 : value & 15)
                             : value);
            }
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            break;
        } else if (value == 2) {
            if (at + 2 > bits.size()) {
                break;
            }
            x += bits[at];
            y += bits[at + 1];
            at += 2;
        } else {
            // Absolute mode: `value` pixels as they are, padded to a whole 16-bit word.
            const std::size_t length = fourBits ? (std::size_t{value} + 1) / 2 : value;
            if (at + length > bits.size()) {
                break;
            }
            for (int i = 0; i < value; ++i) {
                const std::uint8_t byte = bits[at + static_cast<std::size_t>(fourBits ? i / 2 : i)];
                put(fourBits ? static_cast<std::uint8_t>(i % 2 == 0 ? byte >> 4 : byte & 15)
                             : byte);
            }
            at += (length + 1) / 2 * 2;
        }
    }
    return out;
}

// The bitmap reader reads no run-length compressed bitmaps, so they are written out
// uncompressed, with 8 bits a pixel and their own colours, before the records are played. The
// records were walked first (EmfLength): the bitmaps are inside their records and within their
// budget.
std::vector<std::uint8_t> WithoutRunLengths(std::span<const std::uint8_t> d) {
    std::vector<std::uint8_t> out;
    out.reserve(d.size());
    std::size_t at = 0;
    while (d.size() - at >= 8) {
        const std::uint32_t type = ReadU32(d, at);
        const std::uint32_t size = ReadU32(d, at + 4);
        const auto record = d.subspan(at, size);
        at += size;
        const auto bitmap = EmfRecordBitmap(type, record);
        const std::uint32_t compression =
            bitmap && bitmap->headerSize >= 40 ? ReadU32(record, bitmap->header + 16) : 0;
        if (compression != kRle8 && compression != kRle4) {
            out.insert(out.end(), record.begin(), record.end());
            if (type == kEmrEof) {
                break;
            }
            continue;
        }
        const auto header = record.subspan(bitmap->header, bitmap->headerSize);
        const std::int64_t width = ReadS32(header, 4);
        const std::int64_t height = std::abs(ReadS32(header, 8));
        const std::vector<std::uint8_t> pixels = ExpandRuns(
            record.subspan(bitmap->bits, bitmap->bitsSize), width, height, compression == kRle4);
        // The record's own fields come first, then the header, its colours, and the pixels. The
        // colours are what the header leaves of its block.
        const std::size_t fields = std::min(bitmap->header, bitmap->bits);
        if (fields < bitmap->fieldsAt + 16) {
            throw PictureError(kDamaged);
        }
        const std::size_t colours =
            bitmap->headerSize - std::min<std::size_t>(ReadU32(header, 0), bitmap->headerSize);
        if (colours < 4) {
            // Colour indexes need their colours.
            throw PictureError(kDamaged);
        }
        const std::size_t newSize = (fields + bitmap->headerSize + pixels.size() + 3) / 4 * 4;
        std::vector<std::uint8_t> rewritten(newSize, 0);
        std::copy(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(fields),
                  rewritten.begin());
        std::copy(header.begin(), header.end(),
                  rewritten.begin() + static_cast<std::ptrdiff_t>(fields));
        std::copy(pixels.begin(), pixels.end(),
                  rewritten.begin() + static_cast<std::ptrdiff_t>(fields + bitmap->headerSize));
        Put32(rewritten, 4, static_cast<std::uint32_t>(newSize));
        const std::size_t fieldsAt = bitmap->fieldsAt;
        Put32(rewritten, fieldsAt, static_cast<std::uint32_t>(fields));
        Put32(rewritten, fieldsAt + 4, static_cast<std::uint32_t>(bitmap->headerSize));
        Put32(rewritten, fieldsAt + 8, static_cast<std::uint32_t>(fields + bitmap->headerSize));
        Put32(rewritten, fieldsAt + 12, static_cast<std::uint32_t>(pixels.size()));
        // The header now says: bottom-up rows of 8 bits a pixel, uncompressed, as many colours
        // as it brings.
        const std::size_t h = fields;
        Put32(rewritten, h + 8, static_cast<std::uint32_t>(height));
        rewritten[h + 14] = 8;
        rewritten[h + 15] = 0;
        Put32(rewritten, h + 16, 0);
        Put32(rewritten, h + 20, static_cast<std::uint32_t>(pixels.size()));
        Put32(rewritten, h + 32,
              static_cast<std::uint32_t>(std::min<std::size_t>(colours / 4, 256)));
        out.insert(out.end(), rewritten.begin(), rewritten.end());
    }
    // The header's count of bytes.
    if (out.size() >= kEmfHeaderSize) {
        Put32(out, 48, static_cast<std::uint32_t>(out.size()));
    }
    return out;
}

Bitmap DecodeEmf(std::span<const std::uint8_t> d, std::optional<MetafileSize> shownSize) {
    EmfGeometry geometry = EmfGeometryOf(d);
    if (shownSize) {
        const Size shown{shownSize->width, shownSize->height};
        geometry.view.scaleX *=
            static_cast<double>(shown.width) / std::max<std::int64_t>(geometry.size.width, 1);
        geometry.view.scaleY *=
            static_cast<double>(shown.height) / std::max<std::int64_t>(geometry.size.height, 1);
        geometry.size = shown;
    }
    CheckSize(geometry.size);
    std::int64_t records = 0;
    const std::vector<std::uint8_t> contents = WithoutRunLengths(d.first(EmfLength(d, records)));
    CheckWork(records, geometry.size);
    const WhiteCanvas canvas(geometry.size);
    PlayEmf(contents, canvas.cairo.get(), geometry.view);
    return PictureOf(canvas.surface.get());
}

// --- WMF ---------------------------------------------------------------------------------------

// The part of the picture's plane a WMF shows, in the coordinates libwmf draws in: logical
// units for a plain file, points for a placeable one.
struct WmfFrame {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};

// Where a WMF record keeps its bitmap (header, colours and pixels in one block), for the
// records that have one.
std::optional<std::size_t> WmfRecordBitmap(std::uint32_t function,
                                           std::span<const std::uint8_t> record) {
    // A blit's parameters are its function's high byte of words long when it has no bitmap.
    const std::size_t plainBlit = 6 + 2 * std::size_t{function >> 8};
    switch (function) {
    case 0x0940: // DIBBITBLT
        return record.size() <= plainBlit ? std::nullopt : std::optional<std::size_t>(22);
    case 0x0B41: // DIBSTRETCHBLT
        return record.size() <= plainBlit ? std::nullopt : std::optional<std::size_t>(26);
    case 0x0F43: // STRETCHDIB
        return 28;
    case 0x0D33: // SETDIBTODEV
        return 24;
    case 0x0142: // DIBCREATEPATTERNBRUSH
        return 10;
    default:
        return std::nullopt;
    }
}

// Walks the records after the header at `at` so that every one lies inside the file and each
// bitmap inside its record; returns the first window origin and extent, the extent 0 x 0 when
// none is set.
WmfFrame WmfWindow(std::span<const std::uint8_t> d, std::size_t at, std::int64_t& records) {
    at += kWmfHeaderSize;
    WmfFrame window;
    bool originSet = false;
    bool extentSet = false;
    std::int64_t pixels = 0;
    while (d.size() - at >= 6) {
        const std::uint64_t size = std::uint64_t{ReadU32(d, at)} * 2;
        const std::uint32_t function = ReadU16(d, at + 4);
        if (size < 6 || size > d.size() - at) {
            throw PictureError(kDamaged);
        }
        if (++records > limits::kMetafileRecords) {
            throw PictureError(kTooManyRecords);
        }
        const auto record = d.subspan(at, static_cast<std::size_t>(size));
        if (const auto dib = WmfRecordBitmap(function, record)) {
            if (*dib + 4 > record.size()) {
                throw PictureError(kDamaged);
            }
            const std::size_t headerSize = ReadU32(record, *dib);
            // Every one of these records carries a bitmap with a header (a pattern brush of
            // the old bitmap kind, style 3, is not read).
            if (headerSize < 12 || (function == 0x0142 && ReadU16(record, 6) == 3)) {
                throw PictureError(kDamaged);
            }
            const std::size_t bits = *dib + std::min(headerSize, record.size() - *dib);
            CheckRecordBitmap(record, {0, *dib, headerSize, bits, record.size() - bits}, pixels);
        }
        if (function == 0) {
            if (extentSet) {
                window.right += window.left;
                window.bottom += window.top;
            }
            return window;
        }
        // The parameters are y before x.
        if (function == kWmfSetWindowOrg && size >= 10 && !originSet) {
            originSet = true;
            window.top = ReadS16(d, at + 6);
            window.left = ReadS16(d, at + 8);
        }
        if (function == kWmfSetWindowExt && size >= 10 && !extentSet) {
            extentSet = true;
            window.bottom = ReadS16(d, at + 6);
            window.right = ReadS16(d, at + 8);
        }
        at += static_cast<std::size_t>(size);
    }
    throw PictureError("the metafile is cut short");
}

// The frame shown and its size in pixels.
std::pair<WmfFrame, Size> WmfFrameAndSize(std::span<const std::uint8_t> d, MetafileKind kind,
                                          std::int64_t& records) {
    if (kind == MetafileKind::Plain) {
        WmfFrame window = WmfWindow(d, 0, records);
        const Size size{Pixels(std::abs(window.right - window.left)),
                        Pixels(std::abs(window.bottom - window.top))};
        return {window, size};
    }
    WmfWindow(d, kPlaceableHeaderSize, records);
    const double inch = ReadU16(d, 14);
    if (inch == 0) {
        throw PictureError(kDamaged);
    }
    const double points = 72.0 / inch;
    const WmfFrame box{ReadS16(d, 6) * points, ReadS16(d, 8) * points, ReadS16(d, 10) * points,
                       ReadS16(d, 12) * points};
    const double width = std::abs(ReadS16(d, 10) - ReadS16(d, 6));
    const double height = std::abs(ReadS16(d, 12) - ReadS16(d, 8));
    return {box, Size{Pixels(width * kScreenDpi / inch), Pixels(height * kScreenDpi / inch)}};
}

// libwmf allocates through these, so that what a hostile file makes it hold is counted and
// refused past the picture budget. Each block carries its size in front of it.
struct WmfMemory {
    std::size_t used = 0;
    static constexpr std::size_t kBudget = static_cast<std::size_t>(limits::kPicturePixels) * 4;
};
constexpr std::size_t kBlockHeader = alignof(std::max_align_t);

void* WmfAllocate(void* context, std::size_t size) {
    auto* memory = static_cast<WmfMemory*>(context);
    if (size > WmfMemory::kBudget - memory->used) {
        return nullptr;
    }
    auto* block = static_cast<unsigned char*>(std::malloc(size + kBlockHeader));
    if (block == nullptr) {
        return nullptr;
    }
    std::memcpy(block, &size, sizeof size);
    memory->used += size;
    return block + kBlockHeader;
}

void WmfFree(void* context, void* pointer) {
    if (pointer == nullptr) {
        return;
    }
    auto* block = static_cast<unsigned char*>(pointer) - kBlockHeader;
    std::size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    static_cast<WmfMemory*>(context)->used -= size;
    std::free(block);
}

void* WmfReallocate(void* context, void* pointer, std::size_t size) {
    if (pointer == nullptr) {
        return WmfAllocate(context, size);
    }
    auto* memory = static_cast<WmfMemory*>(context);
    auto* block = static_cast<unsigned char*>(pointer) - kBlockHeader;
    std::size_t old = 0;
    std::memcpy(&old, block, sizeof old);
    if (size > old && size - old > WmfMemory::kBudget - memory->used) {
        return nullptr;
    }
    auto* moved = static_cast<unsigned char*>(std::realloc(block, size + kBlockHeader));
    if (moved == nullptr) {
        return nullptr;
    }
    std::memcpy(moved, &size, sizeof size);
    memory->used = memory->used - old + size;
    return moved + kBlockHeader;
}

struct WmfApiDestroyer {
    void operator()(wmfAPI* api) const { wmf_api_destroy(api); }
};

Bitmap DecodeWmf(std::span<const std::uint8_t> d, MetafileKind kind,
                 std::optional<MetafileSize> shownSize) {
    std::int64_t records = 0;
    auto [frame, size] = WmfFrameAndSize(d, kind, records);
    // A plain file without a window extent shows what it draws, known once it is scanned.
    const bool framed = size.width > 0 && size.height > 0;
    if (shownSize) {
        size = Size{shownSize->width, shownSize->height};
    }
    if (framed || shownSize) {
        CheckSize(size);
    }
    WmfMemory memory;
    wmfAPI_Options options{};
    options.context = &memory;
    options.malloc = WmfAllocate;
    options.realloc = WmfReallocate;
    options.free = WmfFree;
    options.function = WmfCairoDevice;
    const unsigned long flags = WMF_OPT_ALLOC | WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL |
                                WMF_OPT_NO_ERROR | WMF_OPT_NO_DEBUG;
    wmfAPI* created = nullptr;
    if (wmf_api_create(&created, flags, &options) != wmf_E_None) {
        if (created != nullptr) {
            wmf_api_destroy(created);
        }
        throw PictureError("the metafile cannot be drawn");
    }
    const std::unique_ptr<wmfAPI, WmfApiDestroyer> api(created);
    // libwmf reads through a pointer that is not const but never writes through it.
    std::vector<unsigned char> contents(d.begin(), d.end());
    if (wmf_mem_open(api.get(), contents.data(), static_cast<long>(contents.size())) !=
        wmf_E_None) {
        throw PictureError(kDamaged);
    }
    wmfD_Rect bounds{};
    if (wmf_scan(api.get(), 0, &bounds) != wmf_E_None) {
        throw PictureError(kDamaged);
    }
    if (!framed) {
        frame = WmfFrame{bounds.TL.x, bounds.TL.y, bounds.BR.x, bounds.BR.y};
        if (!(frame.right - frame.left > 0) || !(frame.bottom - frame.top > 0)) {
            throw PictureError("the metafile gives no size");
        }
        if (!shownSize) {
            size = Size{Pixels(frame.right - frame.left), Pixels(frame.bottom - frame.top)};
        }
        CheckSize(size);
    }
    CheckWork(records, size);
    auto* target = static_cast<WmfCairoTarget*>(api->device_data);
    if (target == nullptr) {
        throw PictureError("the metafile cannot be drawn");
    }
    const WhiteCanvas canvas(size);
    const int width = static_cast<int>(size.width);
    const int height = static_cast<int>(size.height);
    // The picture shows the frame, whatever part of it the file draws on.
    target->cairo = canvas.cairo.get();
    target->left = std::min(frame.left, frame.right);
    target->top = std::min(frame.top, frame.bottom);
    target->scaleX = width / std::abs(frame.right - frame.left);
    target->scaleY = height / std::abs(frame.bottom - frame.top);
    const wmf_error_t played = wmf_play(api.get(), 0, &bounds);
    target->cairo = nullptr;
    if (played != wmf_E_None) {
        throw PictureError(kDamaged);
    }
    return PictureOf(canvas.surface.get());
}

} // namespace

MetafileKind MetafileKindOf(std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= 44 && ReadU32(bytes, 0) == kEmrHeader &&
        ReadU32(bytes, 40) == kEmfSignature) {
        return MetafileKind::Enhanced;
    }
    if (bytes.size() >= 4 && ReadU32(bytes, 0) == kPlaceableKey) {
        return MetafileKind::Placeable;
    }
    if (IsPlainWmfHeader(bytes, 0)) {
        return MetafileKind::Plain;
    }
    return MetafileKind::None;
}

Bitmap DecodeMetafile(std::span<const std::uint8_t> bytes, std::optional<MetafileSize> shownSize) {
    const MetafileKind kind = MetafileKindOf(bytes);
    switch (kind) {
    case MetafileKind::Enhanced:
        return DecodeEmf(bytes, shownSize);
    case MetafileKind::Placeable:
        if (!IsPlainWmfHeader(bytes, kPlaceableHeaderSize)) {
            throw PictureError(kDamaged);
        }
        return DecodeWmf(bytes, kind, shownSize);
    case MetafileKind::Plain:
        return DecodeWmf(bytes, kind, shownSize);
    case MetafileKind::None:
        break;
    }
    throw PictureError("the file is not a metafile");
}

} // namespace velkaro
