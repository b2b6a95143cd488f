#include "codecs/MetafileCodec.h"

#include "codecs/PictureError.h"
#include "codecs/PictureLoader.h"
#include "codecs/PngFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

// Small metafiles written record by record: a red rectangle over the left half of a 40 x 20
// picture, the right half left to the background.

namespace velkaro {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr Pixel kRed = 0xFFFF0000u;
constexpr Pixel kWhite = 0xFFFFFFFFu;

void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

void PutEmfRecord(Bytes& b, std::uint32_t type, std::vector<std::uint32_t> params) {
    Put32(b, type);
    Put32(b, static_cast<std::uint32_t>(8 + 4 * params.size()));
    for (std::uint32_t p : params) {
        Put32(b, p);
    }
}

// `frame` is the header's frame right and bottom in 0.01 mm, on a device of 4 pixels a mm.
Bytes Emf(std::uint32_t frameRight, std::uint32_t frameBottom) {
    Bytes b;
    PutEmfRecord(b, 1, {0,
                        0,
                        39,
                        19,
                        0,
                        0,
                        frameRight,
                        frameBottom,
                        0x464D4520,
                        0x10000,
                        0 /* file size, below */,
                        6,
                        2,
                        0,
                        0,
                        0,
                        1000,
                        1000,
                        250,
                        250});
    PutEmfRecord(b, 39, {1, 0, 0x000000FF, 0}); // red solid brush as object 1
    PutEmfRecord(b, 37, {1});                   // select it
    PutEmfRecord(b, 37, {0x80000008});          // the stock null pen
    PutEmfRecord(b, 43, {0, 0, 20, 20});        // rectangle
    PutEmfRecord(b, 14, {0, 16, 20});           // end
    const auto size = static_cast<std::uint32_t>(b.size());
    for (int i = 0; i < 4; ++i) {
        b[48 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    }
    return b;
}

void PutWmfRecord(Bytes& b, std::uint32_t function, std::vector<std::uint32_t> params) {
    Put32(b, static_cast<std::uint32_t>(3 + params.size()));
    Put16(b, function);
    for (std::uint32_t p : params) {
        Put16(b, p);
    }
}

Bytes PlainWmf(std::uint32_t extentX, std::uint32_t extentY) {
    Bytes records;
    PutWmfRecord(records, 0x020C, {extentY, extentX});     // window extent
    PutWmfRecord(records, 0x02FC, {0, 0x00FF, 0x0000, 0}); // red solid brush
    PutWmfRecord(records, 0x012D, {0});                    // select it
    PutWmfRecord(records, 0x02FA, {5, 0, 0, 0, 0});        // null pen
    PutWmfRecord(records, 0x012D, {1});                    // select it
    PutWmfRecord(records, 0x041B, {20, 20, 0, 0});         // rectangle
    PutWmfRecord(records, 0, {});                          // end
    Bytes b;
    Put16(b, 1);
    Put16(b, 9);
    Put16(b, 0x0300);
    Put32(b, static_cast<std::uint32_t>((18 + records.size()) / 2));
    Put16(b, 2);
    Put32(b, 8);
    Put16(b, 0);
    b.insert(b.end(), records.begin(), records.end());
    return b;
}

Bytes PlaceableWmf() {
    Bytes b;
    Put32(b, 0x9AC6CDD7);
    for (std::uint32_t v : {0u, 0u, 0u, 40u, 20u, 48u}) { // handle, box, 48 units an inch
        Put16(b, v);
    }
    Put32(b, 0);
    std::uint32_t checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2) {
        checksum ^= b[i] | b[i + 1] << 8;
    }
    Put16(b, checksum);
    const Bytes wmf = PlainWmf(40, 20);
    b.insert(b.end(), wmf.begin(), wmf.end());
    return b;
}

void ExpectHalfRed(const Bitmap& picture, int scale = 1) {
    ASSERT_EQ(picture.Width(), 40 * scale);
    ASSERT_EQ(picture.Height(), 20 * scale);
    EXPECT_EQ(picture.At(5 * scale, 10 * scale), kRed);
    EXPECT_EQ(picture.At(15 * scale, 3 * scale), kRed);
    EXPECT_EQ(picture.At(25 * scale, 10 * scale), kWhite);
    EXPECT_EQ(picture.At(38 * scale, 18 * scale), kWhite);
}

TEST(MetafileCodecTest, EnhancedMetafileIsDrawnAtItsFrameSizeOverWhite) {
    // 10 x 5 mm at 4 pixels a mm.
    ExpectHalfRed(PictureLoader::Decode(Emf(1000, 500)));
}

TEST(MetafileCodecTest, PlainWmfIsDrawnAtItsWindowExtent) {
    ExpectHalfRed(PictureLoader::Decode(PlainWmf(40, 20)));
}

TEST(MetafileCodecTest, PlaceableWmfIsDrawnAtItsBoxAt96Dpi) {
    // 40 x 20 units at 48 an inch: twice as many pixels.
    ExpectHalfRed(PictureLoader::Decode(PlaceableWmf()), 2);
}

TEST(MetafileCodecTest, OversizedPicturesAreRefusedBeforeDrawing) {
    // 10 m a side at 4 pixels a mm.
    EXPECT_THROW(DecodeMetafile(Emf(1000000, 1000000)), PictureError);
    EXPECT_THROW(DecodeMetafile(PlainWmf(32767, 32767)), PictureError);
    // A drawing is held to the window's picture: 4096 x 4096 pixels.
    EXPECT_THROW(DecodeMetafile(PlainWmf(4097, 4096)), PictureError);
    // And to records that could each fill it: 2^36 records times pixels, 4096 records here.
    Bytes busy = PlainWmf(4096, 4096);
    Bytes more;
    for (int i = 0; i < 4096; ++i) {
        PutWmfRecord(more, 0x0102, {1}); // the background mode, again and again
    }
    busy.insert(busy.end() - 6, more.begin(), more.end());
    EXPECT_THROW(DecodeMetafile(busy), PictureError);
}

TEST(MetafileCodecTest, DamagedRecordsAreRefused) {
    Bytes emf = Emf(1000, 500);
    emf[88 + 4] = 0; // the brush record claims no size
    EXPECT_THROW(DecodeMetafile(emf), PictureError);
    emf.resize(100);
    EXPECT_THROW(DecodeMetafile(emf), PictureError);

    Bytes wmf = PlainWmf(40, 20);
    wmf[18] = 0xFF;
    wmf[19] = 0xFF; // a record far longer than the file
    EXPECT_THROW(DecodeMetafile(wmf), PictureError);
    EXPECT_THROW(DecodeMetafile(Bytes(wmf.begin(), wmf.begin() + 30)), PictureError);
}

// --- Drawings LibreOffice wrote (tests/data/metafiles/make.sh) ------------------------------

std::filesystem::path DrawingFile(const std::string& name) {
    return std::filesystem::path(VELKARO_TEST_DATA).parent_path() / "metafiles" / name;
}

// The part of `picture` that is not white, as a picture of its own.
Bitmap Trimmed(const Bitmap& picture) {
    int left = picture.Width();
    int top = picture.Height();
    int right = -1;
    int bottom = -1;
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            if ((picture.At(x, y) & 0xFFFFFFu) != 0xFFFFFFu) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    Bitmap out(std::max(right - left + 1, 0), std::max(bottom - top + 1, 0));
    for (int y = 0; y < out.Height(); ++y) {
        for (int x = 0; x < out.Width(); ++x) {
            out.At(x, y) = picture.At(left + x, top + y);
        }
    }
    return out;
}

// The share of the pixels of `expected` whose colour differs by more than anti-aliasing makes
// two renderers differ from `shown` stretched to the same size.
double DifferentShare(const Bitmap& expected, const Bitmap& shown) {
    int different = 0;
    for (int y = 0; y < expected.Height(); ++y) {
        for (int x = 0; x < expected.Width(); ++x) {
            const Pixel p = expected.At(x, y);
            const Pixel q = shown.At(x * shown.Width() / expected.Width(),
                                     y * shown.Height() / expected.Height());
            for (int shift = 0; shift < 24; shift += 8) {
                if (std::abs(static_cast<int>(p >> shift & 0xFF) -
                             static_cast<int>(q >> shift & 0xFF)) > 64) {
                    ++different;
                    break;
                }
            }
        }
    }
    return static_cast<double>(different) / (expected.Width() * expected.Height());
}

// LibreOffice's drawing of its own export of tests/data/metafiles/drawing.svg (shapes, a thick
// line and a small bitmap) against ours, both cut to what is not white. The two renderers
// draw outlines and the edges of shapes a pixel or two apart, so the sizes may differ by 3%
// (a wrong scale is off by far more: 72 for 96 dots an inch is 25%); stretched to LibreOffice's
// size, ours differs in under 2% of the pixels, where a lost shape or the lost bitmap (4%)
// would be more.
TEST(MetafileCodecTest, DrawingsLibreOfficeExportedLookAsLibreOfficeDrawsThem) {
    for (const std::string kind : {"emf", "wmf"}) {
        SCOPED_TRACE(kind);
        // Both frames are 78.9 x 57.7 mm: 298 x 218 pixels at 96 dots an inch, on the device
        // the EMF gives (298 x 218 pixels on 78.89 x 57.72 mm) and at the placeable WMF's 2540
        // units an inch.
        const Bitmap ours = PictureLoader().Load(DrawingFile("drawing." + kind));
        EXPECT_NEAR(ours.Width(), 298, 1);
        EXPECT_NEAR(ours.Height(), 218, 1);
        const Bitmap shown = Trimmed(ours);
        const Bitmap expected = ReadPng(DrawingFile("drawing-" + kind + ".png"));
        EXPECT_NEAR(shown.Width(), expected.Width(), expected.Width() * 0.03);
        EXPECT_NEAR(shown.Height(), expected.Height(), expected.Height() * 0.03);
        EXPECT_LT(DifferentShare(expected, shown), 0.02);
    }
}

} // namespace
} // namespace velkaro
