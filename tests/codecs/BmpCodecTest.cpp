#include "codecs/BmpCodec.h"

#include "codecs/PictureError.h"
#include "support/GameFileBuilder.h"
#include "support/ImageMagick.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

// The reference for every decoded pixel is ImageMagick: it writes the BMP variants, and reads
// them back for the variants that lose colour precision.

namespace velkaro {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::TempDir;
using namespace velkaro::test;

// 17 pixels wide, so that every depth needs padding at the end of its rows except 32 bits.
constexpr int kWidth = 17;
constexpr int kHeight = 9;

enum class Source { TwoColours, TwelveColours, ManyColours, BlackAndWhite };

Bitmap MakeSource(Source source) {
    Bitmap picture(kWidth, kHeight);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const int i = (x + 2 * y) % 12;
            Pixel p = 0;
            switch (source) {
            case Source::TwoColours:
                p = (x * x + y) % 3 == 0 ? PixelFromRgb(200, 30, 40) : PixelFromRgb(10, 90, 250);
                break;
            case Source::BlackAndWhite:
                p = (x + y) % 3 == 0 ? PixelFromRgb(0, 0, 0) : PixelFromRgb(255, 255, 255);
                break;
            case Source::TwelveColours:
                p = PixelFromRgb(static_cast<std::uint8_t>(i * 20),
                                 static_cast<std::uint8_t>(255 - i * 20),
                                 static_cast<std::uint8_t>(i * 77 % 256));
                break;
            case Source::ManyColours:
                // 153 pixels, so fewer than 256 colours: also an exact 8-bit palette picture.
                p = PixelFromRgb(static_cast<std::uint8_t>((x * 15 + y * 7) % 256),
                                 static_cast<std::uint8_t>((y * 29 + x * 3) % 256),
                                 static_cast<std::uint8_t>((x * y * 5 + 11) % 256));
                if (x == 0 && y == 0) {
                    p = PixelFromRgb(255, 255, 255); // the extremes of every channel
                }
                if (x == 1 && y == 0) {
                    p = PixelFromRgb(0, 0, 0);
                }
                break;
            }
            picture.At(x, y) = p;
        }
    }
    return picture;
}

std::uint32_t Get16(const Bytes& b, std::size_t at) {
    return std::uint32_t{b[at]} | std::uint32_t{b[at + 1]} << 8;
}

std::uint32_t Get32(const Bytes& b, std::size_t at) {
    return Get16(b, at) | Get16(b, at + 2) << 16;
}

void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

void Set16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// Field offsets in a BMP file with a header of 40 bytes or more.
constexpr std::size_t kOffsetField = 10;
constexpr std::size_t kHeaderSizeField = 14;
constexpr std::size_t kWidthField = 18;
constexpr std::size_t kHeightField = 22;
constexpr std::size_t kDepthField = 28;
constexpr std::size_t kCompressionField = 30;
constexpr std::size_t kImageSizeField = 34;
constexpr std::size_t kColoursUsedField = 46;

struct Layout {
    std::size_t rowsAt;
    std::size_t stride;
    std::size_t rows;
    std::size_t lastRowBytes; // without padding
};

Layout LayoutOf(const Bytes& bmp) {
    const bool core = Get32(bmp, kHeaderSizeField) == 12;
    const std::size_t width = core ? Get16(bmp, 18) : Get32(bmp, kWidthField);
    const auto height = core ? static_cast<std::int32_t>(Get16(bmp, 20))
                             : static_cast<std::int32_t>(Get32(bmp, kHeightField));
    const std::size_t depth = core ? Get16(bmp, 24) : Get16(bmp, kDepthField);
    return {Get32(bmp, kOffsetField), (width * depth + 31) / 32 * 4,
            static_cast<std::size_t>(height < 0 ? -height : height), (width * depth + 7) / 8};
}

// The same picture stored top-down: height negated and rows in the other order.
Bytes TopDown(const Bytes& bmp) {
    const Layout layout = LayoutOf(bmp);
    Bytes out = bmp;
    Set32(out, kHeightField, static_cast<std::uint32_t>(-static_cast<std::int32_t>(layout.rows)));
    for (std::size_t r = 0; r < layout.rows; ++r) {
        std::copy_n(bmp.begin() + static_cast<std::ptrdiff_t>(layout.rowsAt + r * layout.stride),
                    layout.stride,
                    out.begin() + static_cast<std::ptrdiff_t>(
                                      layout.rowsAt + (layout.rows - 1 - r) * layout.stride));
    }
    return out;
}

// ImageMagick writes bit-field masks only into its larger headers; this moves them out of a
// 124-byte header into the 12 bytes that follow a 40-byte one.
Bytes WithInfoHeaderAndMasks(const Bytes& v5) {
    Bytes out(v5.begin(), v5.begin() + 14 + 40);
    Set32(out, kHeaderSizeField, 40);
    out.insert(out.end(), v5.begin() + 54, v5.begin() + 66); // red, green, blue masks
    out.insert(out.end(), v5.begin() + 14 + 124, v5.end());
    Set32(out, kOffsetField, Get32(v5, kOffsetField) - 124 + 52);
    Set32(out, 2, static_cast<std::uint32_t>(out.size()));
    return out;
}

// A 108-byte (version 4) header: the 124-byte one without its last 16 bytes.
Bytes WithV4Header(const Bytes& v5) {
    Bytes out(v5.begin(), v5.begin() + 14 + 108);
    Set32(out, kHeaderSizeField, 108);
    out.insert(out.end(), v5.begin() + 14 + 124, v5.end());
    Set32(out, kOffsetField, Get32(v5, kOffsetField) - 16);
    Set32(out, 2, static_cast<std::uint32_t>(out.size()));
    return out;
}

class ImageMagickTest : public testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kConvert)) {
            GTEST_SKIP() << kConvert << " is not installed";
        }
    }

    // Converts the source picture with ImageMagick's options and output format.
    Bytes Make(Source source, const std::string& options, const std::string& format) {
        const auto input = dir_.Path() / "source.ppm";
        WritePpm(MakeSource(source), input);
        const auto output = dir_.Path() / ("made-" + std::to_string(++made_) + ".bmp");
        RunConvert(Quoted(input) + " " + options + " " + format + ":" + Quoted(output));
        return ReadAllBytes(output);
    }

    Bitmap ImageMagickReads(const Bytes& bmp) {
        const auto file = dir_.Write("read-" + std::to_string(++made_) + ".bmp", bmp);
        return ImageMagickRead(file);
    }

    TempDir dir_;
    int made_ = 0;
};

struct Variant {
    const char* name;
    Source source;
    const char* options;
    const char* format;
    std::uint32_t headerSize;
    std::uint32_t depth;
    std::uint32_t compression;
    bool lossless; // the decoded pixels are the source's own
};

std::ostream& operator<<(std::ostream& out, const Variant& v) {
    return out << v.name;
}

const Variant kVariants[] = {
    {"Core1", Source::TwoColours, "-type Palette", "BMP2", 12, 1, 0, true},
    {"Core4", Source::TwelveColours, "-type Palette", "BMP2", 12, 4, 0, true},
    {"Core8", Source::ManyColours, "-type Palette -compress none", "BMP2", 12, 8, 0, true},
    {"Core24", Source::ManyColours, "-type TrueColor", "BMP2", 12, 24, 0, true},
    {"Info1", Source::TwoColours, "-type Palette", "BMP3", 40, 1, 0, true},
    {"Info4", Source::TwelveColours, "-type Palette", "BMP3", 40, 4, 0, true},
    {"Info8", Source::ManyColours, "-type Palette -compress none", "BMP3", 40, 8, 0, true},
    {"Info24", Source::ManyColours, "-type TrueColor", "BMP3", 40, 24, 0, true},
    {"Info32", Source::ManyColours, "-alpha on -define bmp3:alpha=true", "BMP3", 40, 32, 0, true},
    {"V4Mono", Source::BlackAndWhite, "-monochrome", "BMP", 108, 1, 0, true},
    {"V5Palette1", Source::TwoColours, "-type Palette", "BMP", 124, 1, 0, true},
    {"V5Palette4", Source::TwelveColours, "-type Palette", "BMP", 124, 4, 0, true},
    {"V5Palette8", Source::ManyColours, "-type Palette -compress none", "BMP", 124, 8, 0, true},
    {"V5Rgb24", Source::ManyColours, "-type TrueColor", "BMP", 124, 24, 0, true},
    {"V5BitFields32", Source::ManyColours, "-alpha on", "BMP", 124, 32, 3, true},
    {"V5Rgb565", Source::ManyColours, "-define bmp:subtype=RGB565", "BMP", 124, 16, 3, false},
    {"V5Rgb555", Source::ManyColours, "-define bmp:subtype=RGB555", "BMP", 124, 16, 3, false},
};

class BmpVariantTest : public ImageMagickTest, public testing::WithParamInterface<Variant> {
protected:
    Bytes MakeVariant() {
        const Variant& v = GetParam();
        Bytes bmp = Make(v.source, v.options, v.format);
        // Guards against an ImageMagick that writes another variant than the one meant.
        EXPECT_EQ(Get32(bmp, kHeaderSizeField), v.headerSize);
        EXPECT_EQ(v.headerSize == 12 ? Get16(bmp, 24) : Get16(bmp, kDepthField), v.depth);
        if (v.headerSize > 12) {
            EXPECT_EQ(Get32(bmp, kCompressionField), v.compression);
        }
        return bmp;
    }
};

TEST_P(BmpVariantTest, DecodesThePixelsImageMagickReads) {
    const Bytes bmp = MakeVariant();
    const Bitmap decoded = DecodeBmp(bmp, BmpRows::AtHeaderOffset);
    EXPECT_TRUE(SamePixels(decoded, ImageMagickReads(bmp)));
    if (GetParam().lossless) {
        EXPECT_TRUE(SamePixels(decoded, MakeSource(GetParam().source)));
    }
}

TEST_P(BmpVariantTest, EmbeddedReadingConsumesExactlyTheFileAndDecodesTheSame) {
    // ImageMagick puts the rows right after the colour table, as the embedded reading needs.
    const Bytes bmp = MakeVariant();
    Bytes followed = bmp;
    followed.insert(followed.end(), {0xAA, 0xBB, 0xCC, 0xDD, 0xEE});
    EXPECT_EQ(MeasureEmbeddedBmp(followed), bmp.size());
    EXPECT_TRUE(SamePixels(DecodeBmp(followed, BmpRows::AfterColourTable),
                           DecodeBmp(bmp, BmpRows::AtHeaderOffset)));
}

TEST_P(BmpVariantTest, EveryTruncationIsRefusedUntilTheLastRowIsComplete) {
    const Bytes bmp = MakeVariant();
    const Layout layout = LayoutOf(bmp);
    const std::size_t needed =
        layout.rowsAt + layout.stride * (layout.rows - 1) + layout.lastRowBytes;
    const Bitmap whole = DecodeBmp(bmp);
    for (std::size_t length = 0; length < bmp.size(); ++length) {
        const std::span<const std::uint8_t> part(bmp.data(), length);
        SCOPED_TRACE("length " + std::to_string(length));
        const auto measured = MeasureEmbeddedBmp(part);
        if (measured) {
            EXPECT_EQ(*measured, bmp.size());
        }
        for (BmpRows rows : {BmpRows::AtHeaderOffset, BmpRows::AfterColourTable}) {
            if (length < needed) {
                EXPECT_THROW(DecodeBmp(part, rows), PictureError);
            } else {
                // Only the padding of the last row is missing.
                EXPECT_TRUE(SamePixels(DecodeBmp(part, rows), whole));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, BmpVariantTest, testing::ValuesIn(kVariants),
                         [](const auto& info) { return std::string(info.param.name); });

// The core header's height is unsigned: only the larger headers can say top-down.
class BmpTopDownTest : public BmpVariantTest {};

std::vector<Variant> TopDownVariants() {
    std::vector<Variant> out;
    for (const Variant& v : kVariants) {
        if (v.headerSize > 12) {
            out.push_back(v);
        }
    }
    return out;
}

TEST_P(BmpTopDownTest, TopDownRowsGiveTheSamePicture) {
    const Bytes bottomUp = MakeVariant();
    const Bytes topDown = TopDown(bottomUp);
    const Bitmap decoded = DecodeBmp(topDown);
    EXPECT_TRUE(SamePixels(decoded, DecodeBmp(bottomUp)));
    EXPECT_TRUE(SamePixels(decoded, ImageMagickReads(topDown)));
    EXPECT_EQ(MeasureEmbeddedBmp(topDown), topDown.size());
}

INSTANTIATE_TEST_SUITE_P(ImageMagick, BmpTopDownTest, testing::ValuesIn(TopDownVariants()),
                         [](const auto& info) { return std::string(info.param.name); });

// Variants ImageMagick does not write, built from ones it does.
class BmpBuiltVariantTest : public ImageMagickTest {};

TEST_F(BmpBuiltVariantTest, MasksAfterAFortyByteHeaderAreReadAndConsumed) {
    for (const char* subtype : {"RGB565", "RGB555"}) {
        SCOPED_TRACE(subtype);
        const Bytes v5 =
            Make(Source::ManyColours, std::string("-define bmp:subtype=") + subtype, "BMP");
        const Bytes info = WithInfoHeaderAndMasks(v5);
        const Bitmap decoded = DecodeBmp(info);
        EXPECT_TRUE(SamePixels(decoded, ImageMagickReads(info)));
        EXPECT_TRUE(SamePixels(decoded, DecodeBmp(v5)));
        Bytes followed = info;
        followed.resize(info.size() + 20, 0x55);
        EXPECT_EQ(MeasureEmbeddedBmp(followed), info.size());
        EXPECT_TRUE(SamePixels(DecodeBmp(followed, BmpRows::AfterColourTable), decoded));
    }
}

TEST_F(BmpBuiltVariantTest, VersionFourHeadersCarryTheirMasks) {
    const Bytes v5 = Make(Source::ManyColours, "-define bmp:subtype=RGB565", "BMP");
    const Bytes v4 = WithV4Header(v5);
    EXPECT_TRUE(SamePixels(DecodeBmp(v4), DecodeBmp(v5)));
    EXPECT_EQ(MeasureEmbeddedBmp(v4), v4.size());
    const Bytes v4Palette = WithV4Header(Make(Source::TwelveColours, "-type Palette", "BMP"));
    EXPECT_TRUE(SamePixels(DecodeBmp(v4Palette), MakeSource(Source::TwelveColours)));
    EXPECT_EQ(MeasureEmbeddedBmp(v4Palette), v4Palette.size());
}

TEST_F(BmpBuiltVariantTest, SixteenBitsWithoutMasksAreFiveBitsAChannel) {
    Bytes plain = Make(Source::ManyColours, "-define bmp:subtype=RGB555", "BMP");
    Set32(plain, kCompressionField, 0);
    Set32(plain, 54, 0); // masks that must now be ignored
    Set32(plain, 58, 0);
    Set32(plain, 62, 0);
    const Bitmap decoded = DecodeBmp(plain);
    EXPECT_TRUE(SamePixels(decoded, ImageMagickReads(plain)));
    // Within the precision of five bits of the source.
    const Bitmap source = MakeSource(Source::ManyColours);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            for (int shift : {0, 8, 16}) {
                const int got = decoded.At(x, y) >> shift & 0xFF;
                const int want = source.At(x, y) >> shift & 0xFF;
                EXPECT_LE(std::abs(got - want), 8) << x << ", " << y;
            }
        }
    }
}

TEST_F(BmpBuiltVariantTest, ThirtyTwoBitMasksChooseTheChannels) {
    Bytes bgr = Make(Source::ManyColours, "-alpha on", "BMP");
    Set32(bgr, 54, 0x000000FF); // red where blue was, and blue where red was
    Set32(bgr, 62, 0x00FF0000);
    const Bitmap decoded = DecodeBmp(bgr);
    EXPECT_TRUE(SamePixels(decoded, ImageMagickReads(bgr)));
    const Bitmap source = MakeSource(Source::ManyColours);
    const Pixel s = source.At(5, 3);
    EXPECT_EQ(decoded.At(5, 3), PixelFromRgb(s & 0xFF, s >> 8 & 0xFF, s >> 16 & 0xFF));
}

// A small BMP written field by field, for the cases no tool writes.
struct HandMadeBmp {
    std::int32_t width = 2;
    std::int32_t height = 1;
    std::uint16_t depth = 16;
    std::uint32_t compression = 3;
    std::vector<std::uint32_t> masks{0xF800, 0x07E0, 0x001F};
    Bytes rows;

    Bytes Build() const {
        Bytes out(14 + 40, 0);
        out[0] = 'B';
        out[1] = 'M';
        Set32(out, kHeaderSizeField, 40);
        Set32(out, kWidthField, static_cast<std::uint32_t>(width));
        Set32(out, kHeightField, static_cast<std::uint32_t>(height));
        Set16(out, 26, 1);
        Set16(out, kDepthField, depth);
        Set32(out, kCompressionField, compression);
        for (std::uint32_t mask : masks) {
            out.resize(out.size() + 4);
            Set32(out, out.size() - 4, mask);
        }
        Set32(out, kOffsetField, static_cast<std::uint32_t>(out.size()));
        out.insert(out.end(), rows.begin(), rows.end());
        Set32(out, 2, static_cast<std::uint32_t>(out.size()));
        return out;
    }
};

TEST(BmpChannels, NarrowChannelsAreWidenedByRepeatingTheirBits) {
    HandMadeBmp bmp;
    // 0xFFFF: all ones; 0x0821: red 1 of 31, green 1 of 63, blue 1 of 31.
    bmp.rows = {0xFF, 0xFF, 0x21, 0x08};
    const Bitmap decoded = DecodeBmp(bmp.Build());
    EXPECT_EQ(decoded.At(0, 0), PixelFromRgb(255, 255, 255));
    EXPECT_EQ(decoded.At(1, 0), PixelFromRgb(8, 4, 8));
}

TEST(BmpChannels, WideChannelsKeepTheirTopEightBits) {
    HandMadeBmp bmp;
    bmp.width = 1;
    bmp.depth = 32;
    bmp.masks = {0x3FF00000, 0x000FFC00, 0x000003FF}; // ten bits each
    // red all ones, green 0x200 (half), blue 0x003 (below one step of eight bits)
    const std::uint32_t v = 0x3FFu << 20 | 0x200u << 10 | 0x003u;
    bmp.rows = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    EXPECT_EQ(DecodeBmp(bmp.Build()).At(0, 0), PixelFromRgb(255, 128, 0));
}

TEST(BmpChannels, AMissingMaskLeavesItsChannelBlack) {
    HandMadeBmp bmp;
    bmp.width = 1;
    bmp.masks = {0xF800, 0, 0x001F};
    bmp.rows = {0xFF, 0xFF, 0, 0};
    EXPECT_EQ(DecodeBmp(bmp.Build()).At(0, 0), PixelFromRgb(255, 0, 255));
}

class EmbeddedBmpRuleTest : public ImageMagickTest {};

TEST_F(EmbeddedBmpRuleTest, TheImageSizeFieldDecidesHowManyRowBytesAreTaken) {
    const Bytes bmp = Make(Source::ManyColours, "-type TrueColor", "BMP3");
    const std::uint32_t rowBytes = Get32(bmp, kImageSizeField);
    ASSERT_EQ(rowBytes, 52u * kHeight);

    Bytes padded = bmp;
    Set32(padded, kImageSizeField, rowBytes + 6);
    padded.insert(padded.end(), 6 + 9, 0x77); // six bytes of the picture, nine that follow it
    EXPECT_EQ(MeasureEmbeddedBmp(padded), bmp.size() + 6);

    Bytes unsized = bmp;
    Set32(unsized, kImageSizeField, 0); // rows rounded up to 4 bytes, times the height
    unsized.insert(unsized.end(), 9, 0x77);
    EXPECT_EQ(MeasureEmbeddedBmp(unsized), bmp.size());
}

TEST_F(EmbeddedBmpRuleTest, AZeroColourCountMeansAFullTableForPalettePictures) {
    for (Source source : {Source::TwoColours, Source::TwelveColours, Source::ManyColours}) {
        Bytes bmp = Make(source, "-type Palette -compress none", "BMP3");
        ASSERT_EQ(Get32(bmp, kColoursUsedField), 1u << Get16(bmp, kDepthField));
        Set32(bmp, kColoursUsedField, 0);
        Bytes followed = bmp;
        followed.insert(followed.end(), 3, 0);
        EXPECT_EQ(MeasureEmbeddedBmp(followed), bmp.size());
        EXPECT_TRUE(SamePixels(DecodeBmp(followed, BmpRows::AfterColourTable), MakeSource(source)));
    }
}

TEST_F(EmbeddedBmpRuleTest, AShortColourTableIsTakenAsItsCountSays) {
    const Bytes bmp = Make(Source::TwelveColours, "-type Palette", "BMP3");
    ASSERT_EQ(Get16(bmp, kDepthField), 4u);
    // Twelve of the sixteen entries are used; drop the last four.
    Bytes shortTable(bmp.begin(), bmp.begin() + 14 + 40 + 12 * 4);
    shortTable.insert(shortTable.end(), bmp.begin() + 14 + 40 + 16 * 4, bmp.end());
    Set32(shortTable, kColoursUsedField, 12);
    Set32(shortTable, kOffsetField, 14 + 40 + 12 * 4);
    EXPECT_EQ(MeasureEmbeddedBmp(shortTable), shortTable.size());
    EXPECT_TRUE(SamePixels(DecodeBmp(shortTable, BmpRows::AfterColourTable),
                           MakeSource(Source::TwelveColours)));
    EXPECT_TRUE(SamePixels(DecodeBmp(shortTable, BmpRows::AtHeaderOffset),
                           MakeSource(Source::TwelveColours)));
}

TEST_F(EmbeddedBmpRuleTest, ATrueColourPictureMayCarryAColourTable) {
    const Bytes bmp = Make(Source::ManyColours, "-type TrueColor", "BMP3");
    Bytes withTable(bmp.begin(), bmp.begin() + 14 + 40);
    withTable.insert(withTable.end(), {1, 2, 3, 0, 4, 5, 6, 0});
    withTable.insert(withTable.end(), bmp.begin() + 14 + 40, bmp.end());
    Set32(withTable, kColoursUsedField, 2);
    Set32(withTable, kOffsetField, 14 + 40 + 8);
    EXPECT_EQ(MeasureEmbeddedBmp(withTable), withTable.size());
    EXPECT_TRUE(SamePixels(DecodeBmp(withTable, BmpRows::AfterColourTable),
                           MakeSource(Source::ManyColours)));
}

TEST_F(EmbeddedBmpRuleTest, TheFileHeadersSizeAndOffsetAreNotUsedToAdvance) {
    const Bytes bmp = Make(Source::TwelveColours, "-type Palette", "BMP3");
    Bytes lying = bmp;
    Set32(lying, 2, 0x10);
    Set32(lying, kOffsetField, 0x7FFFFFF0);
    EXPECT_EQ(MeasureEmbeddedBmp(lying), bmp.size());
    EXPECT_TRUE(
        SamePixels(DecodeBmp(lying, BmpRows::AfterColourTable), MakeSource(Source::TwelveColours)));
    // A file on disk is read from where its offset says, and this one says nowhere.
    EXPECT_THROW(DecodeBmp(lying, BmpRows::AtHeaderOffset), PictureError);
}

TEST_F(EmbeddedBmpRuleTest, ADecodeFromTheHeaderOffsetSkipsAGapBeforeTheRows) {
    const Bytes bmp = Make(Source::ManyColours, "-type TrueColor", "BMP3");
    Bytes gap(bmp.begin(), bmp.begin() + 14 + 40);
    gap.insert(gap.end(), 10, 0xEE);
    gap.insert(gap.end(), bmp.begin() + 14 + 40, bmp.end());
    Set32(gap, kOffsetField, 14 + 40 + 10);
    EXPECT_TRUE(
        SamePixels(DecodeBmp(gap, BmpRows::AtHeaderOffset), MakeSource(Source::ManyColours)));
}

TEST_F(EmbeddedBmpRuleTest, DataTooShortForTheHeadersIsMeasuredAsNothing) {
    const Bytes bmp = Make(Source::ManyColours, "-type TrueColor", "BMP3");
    EXPECT_EQ(MeasureEmbeddedBmp({}), std::nullopt);
    EXPECT_EQ(MeasureEmbeddedBmp(std::span(bmp.data(), 13)), std::nullopt);
    EXPECT_EQ(MeasureEmbeddedBmp(std::span(bmp.data(), 17)), std::nullopt);
    EXPECT_EQ(MeasureEmbeddedBmp(std::span(bmp.data(), 14 + 39)), std::nullopt);
    EXPECT_EQ(MeasureEmbeddedBmp(std::span(bmp.data(), 14 + 40)), bmp.size());
}

class InvalidBmpTest : public ImageMagickTest {
protected:
    static void ExpectInvalid(const Bytes& bmp) {
        for (BmpRows rows : {BmpRows::AtHeaderOffset, BmpRows::AfterColourTable}) {
            try {
                DecodeBmp(bmp, rows);
                ADD_FAILURE() << "decoded";
            } catch (const PictureError& e) {
                EXPECT_STREQ(e.what(), "Bitmap image is not valid");
            }
        }
        EXPECT_THROW(MeasureEmbeddedBmp(bmp), PictureError);
    }
};

TEST_F(InvalidBmpTest, AWrongSignatureIsRefusedOnceTheFileHeaderIsThere) {
    Bytes bmp = Make(Source::ManyColours, "-type TrueColor", "BMP3");
    bmp[1] = 'A';
    ExpectInvalid(bmp);
    EXPECT_THROW(MeasureEmbeddedBmp(std::span(bmp.data(), 14)), PictureError);
    EXPECT_EQ(MeasureEmbeddedBmp(std::span(bmp.data(), 13)), std::nullopt);
}

TEST_F(InvalidBmpTest, RunLengthCompressionIsRefused) {
    ExpectInvalid(Make(Source::ManyColours, "-type Palette -compress RLE", "BMP3"));
    Bytes rle4 = Make(Source::TwelveColours, "-type Palette", "BMP3");
    Set32(rle4, kCompressionField, 2);
    ExpectInvalid(rle4);
}

TEST_F(InvalidBmpTest, DamagedHeaderFieldsAreRefused) {
    const Bytes palette = Make(Source::ManyColours, "-type Palette -compress none", "BMP3");
    const Bytes trueColour = Make(Source::ManyColours, "-type TrueColor", "BMP3");
    auto field16 = [](std::size_t at, std::uint32_t value) {
        return [=](Bytes& b) { Set16(b, at, value); };
    };
    auto field32 = [](std::size_t at, std::uint32_t value) {
        return [=](Bytes& b) { Set32(b, at, value); };
    };
    struct Damage {
        const char* what;
        const Bytes& base;
        std::function<void(Bytes&)> apply;
    };
    const Damage damages[] = {
        {"depth 2", trueColour, field16(kDepthField, 2)},
        {"depth 0", trueColour, field16(kDepthField, 0)},
        {"depth 64", trueColour, field16(kDepthField, 64)},
        {"header of 20 bytes", trueColour, field32(kHeaderSizeField, 20)},
        {"header of 0 bytes", trueColour, field32(kHeaderSizeField, 0)},
        {"header of 4 GB", trueColour, field32(kHeaderSizeField, 0xFFFFFFF0)},
        {"width 0", trueColour, field32(kWidthField, 0)},
        {"negative width", trueColour, field32(kWidthField, static_cast<std::uint32_t>(-17))},
        {"width of a million", trueColour, field32(kWidthField, 1000000)},
        {"height 0", trueColour, field32(kHeightField, 0)},
        {"height of a million", trueColour, field32(kHeightField, 1000000)},
        {"most negative height", trueColour, field32(kHeightField, 0x80000000u)},
        {"30000 x 30000", trueColour,
         [](Bytes& b) {
             Set32(b, kWidthField, 30000);
             Set32(b, kHeightField, 30000);
         }},
        {"257 colours", palette, field32(kColoursUsedField, 257)},
        {"4 billion colours", palette, field32(kColoursUsedField, 0xFFFFFFFF)},
        {"bit fields at 24 bits", trueColour, field32(kCompressionField, 3)},
        {"bit fields at 8 bits", palette, field32(kCompressionField, 3)},
        {"JPEG compression", trueColour, field32(kCompressionField, 4)},
        {"PNG compression", trueColour, field32(kCompressionField, 5)},
    };
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.what);
        Bytes bmp = d.base;
        d.apply(bmp);
        ExpectInvalid(bmp);
    }
}

TEST_F(InvalidBmpTest, BitFieldsInAHeaderTooSmallForThemAreRefused) {
    Bytes bmp = Make(Source::ManyColours, "-define bmp:subtype=RGB565", "BMP");
    Bytes small(bmp.begin(), bmp.begin() + 14 + 44); // a 44-byte header: no room for masks
    small.insert(small.end(), bmp.begin() + 14 + 124, bmp.end());
    Set32(small, kHeaderSizeField, 44);
    Set32(small, kOffsetField, 14 + 44);
    ExpectInvalid(small);
}

TEST_F(InvalidBmpTest, AHugeImageSizeFieldOnlyAsksForMoreBytes) {
    Bytes bmp = Make(Source::ManyColours, "-type TrueColor", "BMP3");
    Set32(bmp, kImageSizeField, 0xFFFFFFFF);
    EXPECT_EQ(MeasureEmbeddedBmp(bmp), std::uint64_t{14 + 40} + 0xFFFFFFFFu);
    // Decoding reads only the rows the picture has.
    EXPECT_TRUE(
        SamePixels(DecodeBmp(bmp, BmpRows::AfterColourTable), MakeSource(Source::ManyColours)));
}

TEST_F(InvalidBmpTest, RandomDamageNeverCrashes) {
    std::vector<Bytes> bases;
    for (const Variant& v : kVariants) {
        bases.push_back(Make(v.source, v.options, v.format));
    }
    bases.push_back(WithInfoHeaderAndMasks(bases.back()));
    std::mt19937 random(20240611);
    int decoded = 0;
    int refused = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes bmp = bases[random() % bases.size()];
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int i = 0; i < changes; ++i) {
            // Mostly the headers and the colour table, where damage changes the layout.
            const std::size_t limit =
                random() % 4 == 0 ? bmp.size() : std::min<std::size_t>(bmp.size(), 80);
            bmp[random() % limit] = static_cast<std::uint8_t>(random());
        }
        if (random() % 3 == 0) {
            bmp.resize(random() % bmp.size());
        }
        try {
            const Bitmap picture = DecodeBmp(bmp, random() % 2 == 0 ? BmpRows::AtHeaderOffset
                                                                    : BmpRows::AfterColourTable);
            EXPECT_EQ(picture.Pixels().size(),
                      static_cast<std::size_t>(picture.Width()) * picture.Height());
            ++decoded;
        } catch (const PictureError&) {
            ++refused;
        }
        try {
            MeasureEmbeddedBmp(bmp);
        } catch (const PictureError&) {
        }
    }
    // Both outcomes must occur, or the damage is not reaching the decoder.
    EXPECT_GT(decoded, 100);
    EXPECT_GT(refused, 100);
}

class EncodeBmpTest : public ImageMagickTest {};

TEST_F(EncodeBmpTest, WritesA24BitFileThatReadsBackAndThatImageMagickReads) {
    const Bitmap source = MakeSource(Source::ManyColours);
    const Bytes bmp = EncodeBmp24(source);
    EXPECT_EQ(bmp.size(), 14u + 40 + 52 * kHeight);
    EXPECT_EQ(Get16(bmp, kDepthField), 24u);
    EXPECT_EQ(Get32(bmp, kImageSizeField), 52u * kHeight);
    EXPECT_TRUE(SamePixels(ImageMagickReads(bmp), source));
    EXPECT_TRUE(SamePixels(DecodeBmp(bmp), source));
    EXPECT_EQ(MeasureEmbeddedBmp(bmp), bmp.size());
}

} // namespace
} // namespace velkaro
