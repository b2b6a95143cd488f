#include "codecs/BmpCodec.h"

#include "base/Limits.h"
#include "codecs/PictureError.h"

#include <algorithm>
#include <array>
#include <bit>

namespace velkaro {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kCompressionRgb = 0;
constexpr std::uint32_t kCompressionBitFields = 3;
// No writer makes a colour table longer than eight bits can index; a larger count is damage.
constexpr std::uint64_t kMaxColours = 256;

[[noreturn]] void Invalid() {
    throw PictureError(kInvalidBitmapMessage);
}

std::uint32_t U16(std::span<const std::uint8_t> d, std::size_t at) {
    return std::uint32_t{d[at]} | std::uint32_t{d[at + 1]} << 8;
}

std::uint32_t U32(std::span<const std::uint8_t> d, std::size_t at) {
    return U16(d, at) | U16(d, at + 2) << 16;
}

// Everything the headers say, with the offsets of the parts that follow them.
struct BmpHeader {
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0; // negative: rows top-down
    std::uint32_t bitsPerPixel = 0;
    std::uint32_t compression = kCompressionRgb;
    std::array<std::uint32_t, 3> masks{}; // red, green, blue; zero when not bit fields
    std::uint64_t paletteOffset = 0;
    std::uint64_t paletteEntries = 0;
    std::uint32_t paletteEntrySize = 4;
    std::uint64_t rowsOffset = 0;   // rows right after the colour table
    std::uint64_t rowsSize = 0;     // what the rows occupy in the stream
    std::uint64_t headerOffset = 0; // the file header's own offset field
    std::uint64_t Stride() const {
        return ((static_cast<std::uint64_t>(width) * bitsPerPixel + 31) / 32) * 4;
    }
    std::uint64_t AbsHeight() const {
        return static_cast<std::uint64_t>(height < 0 ? -height : height);
    }
};

bool SupportedDepth(std::uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Reads the headers. None when `d` is too short for them. The signature is judged as soon as
// the file header is there, as a stream reader that takes the file header first would.
std::optional<BmpHeader> ReadHeader(std::span<const std::uint8_t> d) {
    if (d.size() < kFileHeaderSize) {
        return std::nullopt;
    }
    if (d[0] != 'B' || d[1] != 'M') {
        Invalid();
    }
    if (d.size() < kFileHeaderSize + 4) {
        return std::nullopt;
    }
    BmpHeader h;
    h.headerOffset = U32(d, 10);
    h.headerSize = U32(d, kFileHeaderSize);
    if (h.headerSize != kCoreHeaderSize &&
        (h.headerSize < kInfoHeaderSize || h.headerSize > 4096)) {
        Invalid();
    }
    if (d.size() < kFileHeaderSize + h.headerSize) {
        return std::nullopt;
    }
    const std::size_t info = kFileHeaderSize;
    std::uint64_t colours = 0;
    if (h.headerSize == kCoreHeaderSize) {
        h.width = U16(d, info + 4);
        h.height = U16(d, info + 6);
        h.bitsPerPixel = U16(d, info + 10);
        h.paletteEntrySize = 3;
    } else {
        h.width = static_cast<std::int32_t>(U32(d, info + 4));
        h.height = static_cast<std::int32_t>(U32(d, info + 8));
        h.bitsPerPixel = U16(d, info + 14);
        h.compression = U32(d, info + 16);
        h.rowsSize = U32(d, info + 20);
        colours = U32(d, info + 32);
    }
    if (!SupportedDepth(h.bitsPerPixel) || h.width <= 0 || h.height == 0 ||
        h.width > limits::kPictureSide || h.height > limits::kPictureSide ||
        h.height < -limits::kPictureSide ||
        h.width * static_cast<std::int64_t>(h.AbsHeight()) > limits::kPicturePixels) {
        Invalid();
    }
    std::uint64_t at = kFileHeaderSize + h.headerSize;
    if (h.compression == kCompressionBitFields) {
        if (h.bitsPerPixel != 16 && h.bitsPerPixel != 32) {
            Invalid();
        }
        if (h.headerSize == kInfoHeaderSize) {
            if (d.size() < at + 12) {
                return std::nullopt;
            }
            for (std::size_t i = 0; i < 3; ++i) {
                h.masks[i] = U32(d, at + 4 * i);
            }
            at += 12;
        } else {
            // Version 2 and later headers carry the masks themselves.
            if (h.headerSize < kInfoHeaderSize + 12) {
                Invalid();
            }
            for (std::size_t i = 0; i < 3; ++i) {
                h.masks[i] = U32(d, info + kInfoHeaderSize + 4 * i);
            }
        }
    } else if (h.compression != kCompressionRgb) {
        Invalid(); // run-length and other compressions are not read
    }
    if (colours > kMaxColours) {
        Invalid();
    }
    if (colours == 0 && h.bitsPerPixel <= 8) {
        colours = std::uint64_t{1} << h.bitsPerPixel;
    }
    h.paletteOffset = at;
    h.paletteEntries = colours;
    at += colours * h.paletteEntrySize;
    h.rowsOffset = at;
    if (h.rowsSize == 0) {
        h.rowsSize = h.Stride() * h.AbsHeight();
    }
    return h;
}

// Widens a masked channel to 0..255 by repeating its bits (five bits abcde give abcdeabc), so
// that the largest value becomes 255 and the result matches what display drivers show.
class Channel {
public:
    explicit Channel(std::uint32_t mask) : mask_(mask) {
        if (mask != 0) {
            shift_ = std::countr_zero(mask);
            bits_ = std::bit_width(mask >> shift_);
        }
    }

    std::uint8_t Of(std::uint32_t value) const {
        if (bits_ == 0) {
            return 0;
        }
        const std::uint32_t v = (value & mask_) >> shift_;
        if (bits_ >= 8) {
            return static_cast<std::uint8_t>(v >> (bits_ - 8));
        }
        std::uint32_t wide = v << (8 - bits_);
        for (int filled = bits_; filled < 8; filled *= 2) {
            wide |= wide >> filled;
        }
        return static_cast<std::uint8_t>(wide);
    }

private:
    std::uint32_t mask_ = 0;
    int shift_ = 0;
    int bits_ = 0;
};

// Throws unless `d` holds every pixel row from `rowsAt` and the colour table the rows use.
void CheckRows(std::span<const std::uint8_t> d, const BmpHeader& h, std::uint64_t rowsAt) {
    const std::uint64_t stride = h.Stride();
    if (rowsAt > d.size() ||
        d.size() - rowsAt < stride * (h.AbsHeight() - 1) +
                                (static_cast<std::uint64_t>(h.width) * h.bitsPerPixel + 7) / 8) {
        Invalid();
    }
    if (h.bitsPerPixel <= 8 &&
        h.paletteOffset + std::min<std::uint64_t>(h.paletteEntries, 256) * h.paletteEntrySize >
            d.size()) {
        Invalid();
    }
}

Bitmap DecodeRows(std::span<const std::uint8_t> d, const BmpHeader& h, std::uint64_t rowsAt) {
    CheckRows(d, h, rowsAt);
    const std::uint64_t stride = h.Stride();
    const std::uint64_t absHeight = h.AbsHeight();
    std::vector<Pixel> palette;
    if (h.bitsPerPixel <= 8) {
        const std::uint64_t usable = std::min<std::uint64_t>(h.paletteEntries, 256);
        for (std::uint64_t i = 0; i < usable; ++i) {
            const std::size_t at = h.paletteOffset + i * h.paletteEntrySize;
            palette.push_back(PixelFromRgb(d[at + 2], d[at + 1], d[at]));
        }
    }
    std::array<std::uint32_t, 3> masks = h.masks;
    if (h.compression == kCompressionRgb && h.bitsPerPixel == 16) {
        masks = {0x7C00, 0x03E0, 0x001F};
    } else if (h.compression == kCompressionRgb && h.bitsPerPixel == 32) {
        masks = {0xFF0000, 0x00FF00, 0x0000FF};
    }
    const Channel red(masks[0]), green(masks[1]), blue(masks[2]);

    const int width = static_cast<int>(h.width);
    const int height = static_cast<int>(absHeight);
    Bitmap out(width, height);
    for (int row = 0; row < height; ++row) {
        const int y = h.height < 0 ? row : height - 1 - row;
        const std::uint8_t* src = d.data() + rowsAt + stride * static_cast<std::uint64_t>(row);
        Pixel* dst = out.Row(y);
        switch (h.bitsPerPixel) {
        case 1:
        case 4:
        case 8: {
            const unsigned bits = h.bitsPerPixel;
            const unsigned perByte = 8 / bits;
            const unsigned valueMask = (1u << bits) - 1;
            for (int x = 0; x < width; ++x) {
                const unsigned byte = src[x / perByte];
                const unsigned shift = 8 - bits * (x % perByte + 1);
                const unsigned index = (byte >> shift) & valueMask;
                dst[x] = index < palette.size() ? palette[index] : 0xFF000000u;
            }
            break;
        }
        case 16:
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v = src[2 * x] | std::uint32_t{src[2 * x + 1]} << 8;
                dst[x] = PixelFromRgb(red.Of(v), green.Of(v), blue.Of(v));
            }
            break;
        case 24:
            for (int x = 0; x < width; ++x) {
                dst[x] = PixelFromRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
            }
            break;
        case 32:
            for (int x = 0; x < width; ++x) {
                const std::uint32_t v = src[4 * x] | std::uint32_t{src[4 * x + 1]} << 8 |
                                        std::uint32_t{src[4 * x + 2]} << 16 |
                                        std::uint32_t{src[4 * x + 3]} << 24;
                dst[x] = PixelFromRgb(red.Of(v), green.Of(v), blue.Of(v));
            }
            break;
        }
    }
    return out;
}

void PutU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

} // namespace

std::optional<std::uint64_t> MeasureEmbeddedBmp(std::span<const std::uint8_t> data) {
    auto header = ReadHeader(data);
    if (!header) {
        return std::nullopt;
    }
    return header->rowsOffset + header->rowsSize;
}

std::optional<BmpDimensions> MeasureBmpDimensions(std::span<const std::uint8_t> data) {
    auto header = ReadHeader(data);
    if (!header) {
        return std::nullopt;
    }
    // The header reader has held both sides to the picture limits, well inside an int.
    return BmpDimensions{static_cast<int>(header->width), static_cast<int>(header->AbsHeight())};
}

void CheckEmbeddedBmp(std::span<const std::uint8_t> data) {
    auto header = ReadHeader(data);
    if (!header) {
        Invalid();
    }
    CheckRows(data, *header, header->rowsOffset);
}

Bitmap DecodeBmp(std::span<const std::uint8_t> data, BmpRows rows) {
    auto header = ReadHeader(data);
    if (!header) {
        Invalid();
    }
    const std::uint64_t rowsAt =
        rows == BmpRows::AfterColourTable ? header->rowsOffset : header->headerOffset;
    return DecodeRows(data, *header, rowsAt);
}

Bitmap DecodeIconImage(std::span<const std::uint8_t> dib) {
    // Give the entry a file header so that the one header reader serves; its offset field is
    // not used, the rows are found after the colour table.
    std::vector<std::uint8_t> file(kFileHeaderSize, 0);
    file[0] = 'B';
    file[1] = 'M';
    file.insert(file.end(), dib.begin(), dib.end());
    if (file.size() < kFileHeaderSize + 4) {
        Invalid();
    }
    const bool core = U32(file, kFileHeaderSize) == kCoreHeaderSize;
    const std::size_t heightAt = kFileHeaderSize + (core ? 6 : 8);
    if (file.size() < heightAt + (core ? 2 : 4)) {
        Invalid();
    }
    // The height counts the colour image and the AND mask together.
    if (core) {
        const std::uint32_t half = U16(file, heightAt) / 2;
        file[heightAt] = static_cast<std::uint8_t>(half);
        file[heightAt + 1] = static_cast<std::uint8_t>(half >> 8);
    } else {
        const std::int32_t half = static_cast<std::int32_t>(U32(file, heightAt)) / 2;
        const auto bits = static_cast<std::uint32_t>(half);
        for (std::size_t i = 0; i < 4; ++i) {
            file[heightAt + i] = static_cast<std::uint8_t>(bits >> (8 * i));
        }
    }
    auto header = ReadHeader(file);
    if (!header) {
        Invalid();
    }
    const BmpHeader& h = *header;
    Bitmap image = DecodeRows(file, h, h.rowsOffset);

    const int width = image.Width();
    const int height = image.Height();
    auto rowOf = [&](int y) { return h.height < 0 ? y : height - 1 - y; };
    const std::uint64_t stride = h.Stride();

    bool hasAlpha = false;
    if (h.bitsPerPixel == 32 && h.compression == kCompressionRgb) {
        for (int y = 0; y < height && !hasAlpha; ++y) {
            const std::uint64_t at = h.rowsOffset + stride * static_cast<std::uint64_t>(rowOf(y));
            for (int x = 0; x < width; ++x) {
                if (file[at + 4 * static_cast<std::uint64_t>(x) + 3] != 0) {
                    hasAlpha = true;
                    break;
                }
            }
        }
    }
    if (hasAlpha) {
        for (int y = 0; y < height; ++y) {
            const std::uint64_t at = h.rowsOffset + stride * static_cast<std::uint64_t>(rowOf(y));
            for (int x = 0; x < width; ++x) {
                const std::uint32_t alpha = file[at + 4 * static_cast<std::uint64_t>(x) + 3];
                const Pixel p = image.At(x, y);
                auto over = [alpha](std::uint32_t c) {
                    return static_cast<std::uint8_t>((c * alpha + 255 * (255 - alpha) + 127) / 255);
                };
                image.At(x, y) =
                    PixelFromRgb(over(p >> 16 & 0xFF), over(p >> 8 & 0xFF), over(p & 0xFF));
            }
        }
        return image;
    }

    // A picture whose mask is cut off keeps every pixel rather than being refused.
    const std::uint64_t maskAt = h.rowsOffset + stride * static_cast<std::uint64_t>(height);
    const std::uint64_t maskStride = (static_cast<std::uint64_t>(width) + 31) / 32 * 4;
    if (maskAt > file.size() ||
        file.size() - maskAt < maskStride * static_cast<std::uint64_t>(height)) {
        return image;
    }
    for (int y = 0; y < height; ++y) {
        const std::uint64_t at = maskAt + maskStride * static_cast<std::uint64_t>(rowOf(y));
        for (int x = 0; x < width; ++x) {
            if (file[at + static_cast<std::uint64_t>(x) / 8] >> (7 - x % 8) & 1) {
                image.At(x, y) = 0xFFFFFFFFu;
            }
        }
    }
    return image;
}

std::vector<std::uint8_t> EncodeBmp24(const Bitmap& bitmap) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(bitmap.Width()) * 3 + 3) & ~3u;
    const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(bitmap.Height());
    const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize;
    std::vector<std::uint8_t> out;
    out.reserve(offset + imageSize);
    out.push_back('B');
    out.push_back('M');
    PutU32(out, offset + imageSize);
    PutU32(out, 0);
    PutU32(out, offset);
    PutU32(out, kInfoHeaderSize);
    PutU32(out, static_cast<std::uint32_t>(bitmap.Width()));
    PutU32(out, static_cast<std::uint32_t>(bitmap.Height()));
    PutU16(out, 1);
    PutU16(out, 24);
    PutU32(out, kCompressionRgb);
    PutU32(out, imageSize);
    PutU32(out, 3780); // 96 dots per inch
    PutU32(out, 3780);
    PutU32(out, 0);
    PutU32(out, 0);
    for (int y = bitmap.Height() - 1; y >= 0; --y) {
        const Pixel* row = bitmap.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            out.push_back(static_cast<std::uint8_t>(row[x]));
            out.push_back(static_cast<std::uint8_t>(row[x] >> 8));
            out.push_back(static_cast<std::uint8_t>(row[x] >> 16));
        }
        for (std::uint32_t pad = static_cast<std::uint32_t>(bitmap.Width()) * 3; pad < stride;
             ++pad) {
            out.push_back(0);
        }
    }
    return out;
}

} // namespace velkaro
