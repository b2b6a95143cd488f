#include "codecs/PngFile.h"

#include "base/Limits.h"
#include "base/WholeFile.h"
#include "codecs/PictureError.h"

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velkaro {
namespace {

// Larger pictures are refused before anything is allocated for them.
constexpr auto kLargestSide = static_cast<std::uint32_t>(limits::kPictureSide);
constexpr auto kLargestPixels = static_cast<std::uint64_t>(limits::kPicturePixels);
constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Signature, then the first chunk's length and type, then the picture's width and height.
constexpr std::size_t kHeaderEnd = 24;

[[noreturn]] void Fail(const std::string& text) {
    throw PictureError(text);
}

struct SurfaceRelease {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceRelease>;

struct ContextRelease {
    void operator()(cairo_t* cairo) const { cairo_destroy(cairo); }
};
using Context = std::unique_ptr<cairo_t, ContextRelease>;

std::uint32_t BigEndian32(std::span<const std::uint8_t> d, std::size_t at) {
    return std::uint32_t{d[at]} << 24 | std::uint32_t{d[at + 1]} << 16 |
           std::uint32_t{d[at + 2]} << 8 | d[at + 3];
}

void CheckHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderEnd ||
        !std::equal(kSignature.begin(), kSignature.end(), bytes.begin())) {
        Fail("not a PNG file");
    }
    if (std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) {
        Fail("not a valid PNG file (its first chunk is not the header)");
    }
    const std::uint32_t width = BigEndian32(bytes, 16);
    const std::uint32_t height = BigEndian32(bytes, 20);
    if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide ||
        std::uint64_t{width} * height > kLargestPixels) {
        Fail("a PNG picture of " + std::to_string(width) + " x " + std::to_string(height) +
             " pixels is too large or empty");
    }
}

struct ByteSource {
    std::span<const std::uint8_t> data;
    std::size_t at = 0;
};

cairo_status_t ReadChunk(void* closure, unsigned char* out, unsigned int length) {
    auto* source = static_cast<ByteSource*>(closure);
    if (length > source->data.size() - source->at) {
        return CAIRO_STATUS_READ_ERROR;
    }
    std::memcpy(out, source->data.data() + source->at, length);
    source->at += length;
    return CAIRO_STATUS_SUCCESS;
}

cairo_status_t WriteChunk(void* closure, const unsigned char* data, unsigned int length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
    out->insert(out->end(), data, data + length);
    return CAIRO_STATUS_SUCCESS;
}

std::uint8_t Premultiply(std::uint32_t channel, std::uint32_t alpha) {
    return static_cast<std::uint8_t>((channel * alpha + 127) / 255);
}

std::vector<std::uint8_t> EncodePng(const Bitmap& bitmap, const std::filesystem::path& path) {
    bool opaque = true;
    for (Pixel p : bitmap.Pixels()) {
        opaque = opaque && (p >> 24) == 0xFF;
    }
    Surface surface(cairo_image_surface_create(opaque ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32,
                                               bitmap.Width(), bitmap.Height()));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        Fail(path.string() + ": " + "cannot make a picture of " + std::to_string(bitmap.Width()) +
             " x " + std::to_string(bitmap.Height()) + " pixels");
    }
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < bitmap.Height(); ++y) {
        auto* row =
            reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        const Pixel* source = bitmap.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            const Pixel p = source[x];
            const std::uint32_t a = p >> 24;
            row[x] = opaque ? p
                            : a << 24 | std::uint32_t{Premultiply(p >> 16 & 0xFF, a)} << 16 |
                                  std::uint32_t{Premultiply(p >> 8 & 0xFF, a)} << 8 |
                                  Premultiply(p & 0xFF, a);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    std::vector<std::uint8_t> png;
    const cairo_status_t status =
        cairo_surface_write_to_png_stream(surface.get(), WriteChunk, &png);
    if (status != CAIRO_STATUS_SUCCESS) {
        Fail(path.string() + ": " + std::string("cannot encode the picture as PNG (") +
             cairo_status_to_string(status) + ")");
    }
    return png;
}

// The chunks that make the picture: its header, colours, transparency and pixels. The others
// (text, compressed text, chunks of other programs) are left out before the PNG library sees
// them: it takes memory for a chunk's stated length, and for what compressed text expands to,
// before it can tell the chunk is not there or not needed.
std::vector<std::uint8_t> PictureChunks(std::span<const std::uint8_t> bytes) {
    constexpr std::array<std::string_view, 5> kKept = {"IHDR", "PLTE", "tRNS", "IDAT", "IEND"};
    std::vector<std::uint8_t> out(bytes.begin(), bytes.begin() + kSignature.size());
    std::size_t at = kSignature.size();
    while (bytes.size() - at >= 8) {
        const std::uint64_t length = BigEndian32(bytes, at);
        const std::string_view type(reinterpret_cast<const char*>(bytes.data() + at + 4), 4);
        const bool kept = std::find(kKept.begin(), kKept.end(), type) != kKept.end();
        // Length, type, data and check.
        const std::uint64_t whole = length + 12;
        if (whole > bytes.size() - at) {
            // Cut short: what is there of a chunk of the picture, for the library to refuse.
            if (kept) {
                out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end());
            }
            break;
        }
        if (kept) {
            const auto start = bytes.begin() + static_cast<std::ptrdiff_t>(at);
            out.insert(out.end(), start, start + static_cast<std::ptrdiff_t>(whole));
        }
        at += static_cast<std::size_t>(whole);
    }
    return out;
}

} // namespace

Bitmap DecodePng(std::span<const std::uint8_t> bytes) {
    CheckHeader(bytes);
    const std::vector<std::uint8_t> picture = PictureChunks(bytes);
    ByteSource source{picture};
    Surface png(cairo_image_surface_create_from_png_stream(ReadChunk, &source));
    if (const cairo_status_t status = cairo_surface_status(png.get());
        status != CAIRO_STATUS_SUCCESS) {
        Fail(std::string("not a PNG picture that can be read (") + cairo_status_to_string(status) +
             ")");
    }
    const int width = cairo_image_surface_get_width(png.get());
    const int height = cairo_image_surface_get_height(png.get());

    // Painting onto white composites every pixel, whatever format Cairo chose for the file.
    Surface white(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height));
    Context cairo(cairo_create(white.get()));
    cairo_set_source_rgb(cairo.get(), 1, 1, 1);
    cairo_paint(cairo.get());
    cairo_set_source_surface(cairo.get(), png.get(), 0, 0);
    cairo_paint(cairo.get());
    if (cairo_status(cairo.get()) != CAIRO_STATUS_SUCCESS) {
        Fail(std::string("cannot convert the picture (") +
             cairo_status_to_string(cairo_status(cairo.get())) + ")");
    }
    cairo_surface_flush(white.get());

    Bitmap bitmap(width, height);
    const unsigned char* data = cairo_image_surface_get_data(white.get());
    const int stride = cairo_image_surface_get_stride(white.get());
    for (int y = 0; y < height; ++y) {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        Pixel* target = bitmap.Row(y);
        for (int x = 0; x < width; ++x) {
            target[x] = 0xFF000000u | (row[x] & 0xFFFFFFu);
        }
    }
    return bitmap;
}

Bitmap ReadPng(const std::filesystem::path& path) {
    const auto read = ReadFileWhole(path);
    if (!read) {
        throw PictureError(path.string() + ": cannot be opened");
    }
    try {
        return DecodePng(*read);
    } catch (const PictureError& e) {
        throw PictureError(path.string() + ": " + e.what());
    }
}

void WritePng(const Bitmap& bitmap, const std::filesystem::path& path) {
    if (bitmap.Empty()) {
        Fail(path.string() + ": an empty picture cannot be written as PNG");
    }
    try {
        WriteFileWhole(path, EncodePng(bitmap, path));
    } catch (const FileWriteError& e) {
        throw PictureError(e.what());
    }
}

} // namespace velkaro
