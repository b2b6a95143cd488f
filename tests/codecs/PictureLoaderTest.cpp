#include "codecs/PictureLoader.h"

#include "codecs/BmpCodec.h"
#include "codecs/PictureError.h"
#include "support/GameFileBuilder.h"
#include "support/ImageMagick.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

// Pictures are made by ImageMagick from sources the tests draw themselves, and compared with
// those sources or with what ImageMagick reads back from the same file.

namespace velkaro {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::TempDir;
using namespace velkaro::test;
using testing::HasSubstr;

// ImageMagick's reading of a file as 0xAARRGGBB words, alpha not applied to the colours.
std::vector<std::uint32_t> ImageMagickRgba(const std::filesystem::path& file, int width,
                                           int height) {
    const std::string out = Capture(kConvert.string() + " " + Quoted(file) + " -depth 8 rgba:-");
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (out.size() != 4 * count) {
        throw std::runtime_error("unexpected size of ImageMagick's reading of " + file.string());
    }
    std::vector<std::uint32_t> pixels(count);
    for (std::size_t i = 0; i < count; ++i) {
        auto byte = [&](std::size_t k) {
            return std::uint32_t{static_cast<std::uint8_t>(out[4 * i + k])};
        };
        pixels[i] = byte(3) << 24 | byte(0) << 16 | byte(1) << 8 | byte(2);
    }
    return pixels;
}

Bitmap Opaque(const std::vector<std::uint32_t>& rgba, int width, int height) {
    Bitmap out(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            out.At(x, y) = rgba[static_cast<std::size_t>(y) * width + x] | 0xFF000000u;
        }
    }
    return out;
}

// The colour a pixel with straight alpha shows over white.
Bitmap OverWhite(const std::vector<std::uint32_t>& rgba, int width, int height) {
    Bitmap out(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = rgba[static_cast<std::size_t>(y) * width + x];
            const double alpha = (p >> 24) / 255.0;
            auto over = [&](int shift) {
                const double c = (p >> shift & 0xFF) * alpha + 255.0 * (1.0 - alpha);
                return static_cast<std::uint8_t>(c + 0.5);
            };
            out.At(x, y) = PixelFromRgb(over(16), over(8), over(0));
        }
    }
    return out;
}

// 153 pixels, so fewer than 256 colours and exact in a GIF.
Bitmap Colourful(int width = 17, int height = 9) {
    Bitmap picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.At(x, y) = PixelFromRgb(static_cast<std::uint8_t>((x * 15 + y * 7) % 256),
                                            static_cast<std::uint8_t>((y * 29 + x * 3) % 256),
                                            static_cast<std::uint8_t>((x * y * 5 + 11) % 256));
        }
    }
    return picture;
}

// Smooth, as photographs are, so that JPEG keeps it close.
Bitmap Smooth() {
    Bitmap picture(40, 24);
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            picture.At(x, y) = PixelFromRgb(static_cast<std::uint8_t>(40 + x * 4),
                                            static_cast<std::uint8_t>(200 - y * 6),
                                            static_cast<std::uint8_t>(90 + (x + y) * 2));
        }
    }
    return picture;
}

Bitmap Filled(int width, int height, Pixel colour) {
    return Bitmap(width, height, colour);
}

class PictureLoaderTest : public testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kConvert)) {
            GTEST_SKIP() << kConvert << " is not installed";
        }
    }

    std::filesystem::path Source(const Bitmap& picture) {
        const auto file = dir_.Path() / ("source-" + std::to_string(++made_) + ".ppm");
        WritePpm(picture, file);
        return file;
    }

    // Runs ImageMagick on its arguments; OUT in them stands for the file made, named `name`.
    std::filesystem::path Make(const std::string& name, std::string arguments) {
        const auto output = dir_.Path() / name;
        const auto at = arguments.find("OUT");
        arguments.replace(at, 3, Quoted(output));
        RunConvert(arguments);
        return output;
    }

    Bitmap ImageMagickReads(const std::filesystem::path& file, int width, int height) {
        return Opaque(ImageMagickRgba(file, width, height), width, height);
    }

    PictureLoader loader_;
    TempDir dir_;
    int made_ = 0;
};

// --- Choosing the format ---------------------------------------------------------------------

TEST_F(PictureLoaderTest, TheFormatIsTakenFromTheContentNotTheName) {
    const Bitmap picture = Colourful();
    const auto bmp = Make("bmp-named.jpg", Quoted(Source(picture)) + " -type TrueColor BMP3:OUT");
    EXPECT_TRUE(SamePixels(loader_.Load(bmp), picture));
    const auto gif = Make("gif-named.bmp", Quoted(Source(picture)) + " GIF:OUT");
    EXPECT_TRUE(SamePixels(loader_.Load(gif), picture));
    const auto jpeg = Make("jpeg-named.ico", Quoted(Source(Smooth())) + " -quality 95 JPEG:OUT");
    EXPECT_TRUE(SamePixels(loader_.Load(jpeg), Smooth(), 16));
    const auto ico = Make("icon-named.gif", Quoted(Source(picture)) + " ICO:OUT");
    EXPECT_TRUE(SamePixels(loader_.Load(ico), picture));
}

TEST_F(PictureLoaderTest, BmpFilesAreReadFromTheirHeaderOffset) {
    const Bitmap picture = Colourful();
    Bytes bmp = EncodeBmp24(picture);
    // Eight bytes between the header and the rows, which the header's offset skips.
    bmp.insert(bmp.begin() + 54, 8, 0xEE);
    bmp[10] = 54 + 8;
    EXPECT_TRUE(SamePixels(loader_.Load(dir_.Write("gap.bmp", bmp)), picture));
    const auto palette =
        Make("palette.bmp", Quoted(Source(picture)) + " -type Palette -compress none BMP:OUT");
    EXPECT_TRUE(SamePixels(loader_.Load(palette), picture));
}

// --- JPEG ------------------------------------------------------------------------------------

TEST_F(PictureLoaderTest, JpegColoursMatchTheSourceAndImageMagicksReading) {
    const Bitmap picture = Smooth();
    const std::string source = Quoted(Source(picture));
    struct Kind {
        const char* name;
        const char* options;
    };
    for (const Kind& kind :
         {Kind{"baseline", "-quality 92"}, Kind{"progressive", "-quality 92 -interlace Plane"},
          Kind{"no subsampling", "-quality 92 -sampling-factor 1x1"}}) {
        SCOPED_TRACE(kind.name);
        const auto file =
            Make(std::string(kind.name) + ".jpg", source + " " + kind.options + " JPEG:OUT");
        const Bitmap loaded = loader_.Load(file);
        EXPECT_TRUE(SamePixels(loaded, ImageMagickReads(file, 40, 24), 2));
        EXPECT_TRUE(SamePixels(loaded, picture, 16));
    }
}

TEST_F(PictureLoaderTest, GreyJpegsAreGrey) {
    const auto file = Make("grey.jpg", Quoted(Source(Smooth())) + " -colorspace Gray JPEG:OUT");
    const Bitmap loaded = loader_.Load(file);
    EXPECT_TRUE(SamePixels(loaded, ImageMagickReads(file, 40, 24), 2));
    for (Pixel p : loaded.Pixels()) {
        ASSERT_EQ(p >> 16 & 0xFF, p & 0xFF);
        ASSERT_EQ(p >> 8 & 0xFF, p & 0xFF);
    }
}

TEST_F(PictureLoaderTest, CmykJpegsAreTurnedIntoRgb) {
    const auto file = Make("cmyk.jpg", Quoted(Source(Smooth())) + " -colorspace CMYK JPEG:OUT");
    ASSERT_THAT(Capture(kConvert.string() + " " + Quoted(file) + " -format %[colorspace] info:"),
                HasSubstr("CMYK"));
    const Bitmap loaded = loader_.Load(file);
    const auto rgb = Make("cmyk-as-rgb.ppm", Quoted(file) + " -colorspace sRGB PPM:OUT");
    EXPECT_TRUE(SamePixels(loaded, ImageMagickReads(rgb, 40, 24), 3));
    EXPECT_TRUE(SamePixels(loaded, Smooth(), 20));
}

// --- GIF -------------------------------------------------------------------------------------

TEST_F(PictureLoaderTest, GifPixelsAreExact) {
    const Bitmap picture = Colourful();
    const std::string source = Quoted(Source(picture));
    EXPECT_TRUE(SamePixels(loader_.Load(Make("plain.gif", source + " GIF:OUT")), picture));
    EXPECT_TRUE(SamePixels(loader_.Load(Make("interlaced.gif", source + " -interlace GIF GIF:OUT")),
                           picture));
    EXPECT_TRUE(SamePixels(loader_.Load(Make("old.gif", source + " GIF87:OUT")), picture));
}

TEST_F(PictureLoaderTest, GifTransparentPixelsAreWhite) {
    const Bitmap picture = Colourful();
    const Pixel hidden = picture.At(4, 2);
    char colour[32];
    std::snprintf(colour, sizeof colour, "'#%06X'", hidden & 0xFFFFFFu);
    const auto file =
        Make("transparent.gif", Quoted(Source(picture)) + " -transparent " + colour + " GIF:OUT");
    Bitmap expected = picture;
    int hiddenCount = 0;
    for (int y = 0; y < expected.Height(); ++y) {
        for (int x = 0; x < expected.Width(); ++x) {
            if (expected.At(x, y) == hidden) {
                expected.At(x, y) = 0xFFFFFFFFu;
                ++hiddenCount;
            }
        }
    }
    ASSERT_GT(hiddenCount, 0);
    EXPECT_TRUE(SamePixels(loader_.Load(file), expected));
}

TEST_F(PictureLoaderTest, OfAnAnimatedGifTheFirstFrameIsShown) {
    const Bitmap first = Colourful();
    const Bitmap second = Filled(17, 9, PixelFromRgb(0, 0, 255));
    const auto file =
        Make("animated.gif", Quoted(Source(first)) + " " + Quoted(Source(second)) + " GIF:OUT");
    EXPECT_TRUE(SamePixels(loader_.Load(file), first));
}

TEST_F(PictureLoaderTest, GifScreenAroundASmallerFrameIsWhite) {
    const Bitmap frame = Filled(6, 4, PixelFromRgb(255, 0, 0));
    const auto file = Make("framed.gif", Quoted(Source(frame)) + " -page 10x8+3+2 GIF:OUT");
    Bitmap expected(10, 8, 0xFFFFFFFFu);
    for (int y = 2; y < 6; ++y) {
        for (int x = 3; x < 9; ++x) {
            expected.At(x, y) = PixelFromRgb(255, 0, 0);
        }
    }
    EXPECT_TRUE(SamePixels(loader_.Load(file), expected));
}

// --- Icons -----------------------------------------------------------------------------------

TEST_F(PictureLoaderTest, AnOpaqueIconShowsItsPixels) {
    const Bitmap picture = Colourful();
    const auto file = Make("opaque.ico", Quoted(Source(picture)) + " ICO:OUT");
    EXPECT_TRUE(SamePixels(loader_.Load(file), picture));
}

TEST_F(PictureLoaderTest, IconAlphaIsLaidOverWhite) {
    // Columns 0-2 transparent, 3-5 half covered, the rest opaque.
    const auto file = Make("alpha.ico", Quoted(Source(Colourful())) +
                                            " -alpha on -channel A -fx 'i<3?0:(i<6?0.5:1)' "
                                            "+channel ICO:OUT");
    const auto rgba = ImageMagickRgba(file, 17, 9);
    ASSERT_EQ(rgba[0] >> 24, 0u);
    ASSERT_GT(rgba[4] >> 24, 0u);
    ASSERT_LT(rgba[4] >> 24, 255u);
    const Bitmap loaded = loader_.Load(file);
    EXPECT_TRUE(SamePixels(loaded, OverWhite(rgba, 17, 9), 1));
    EXPECT_EQ(loaded.At(1, 1), 0xFFFFFFFFu);
}

TEST_F(PictureLoaderTest, APaletteIconsMaskedPixelsAreWhite) {
    Bitmap picture(17, 9);
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 17; ++x) {
            const int i = (x + 2 * y) % 12;
            picture.At(x, y) = PixelFromRgb(static_cast<std::uint8_t>(i * 20),
                                            static_cast<std::uint8_t>(255 - i * 20), 40);
        }
    }
    const auto file =
        Make("masked.ico", Quoted(Source(picture)) + " -alpha on -channel A -fx 'i<3?0:1' +channel "
                                                     "-type PaletteAlpha ICO:OUT");
    const Bytes bytes = ReadAllBytes(file);
    ASSERT_EQ(bytes[6 + 6], 4) << "expected a 4-bit icon with an AND mask";
    Bitmap expected = picture;
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 3; ++x) {
            expected.At(x, y) = 0xFFFFFFFFu;
        }
    }
    EXPECT_TRUE(SamePixels(loader_.Load(file), expected));
}

TEST_F(PictureLoaderTest, TheLargestPictureOfAnIconIsShown) {
    const auto small = Source(Filled(16, 16, PixelFromRgb(255, 0, 0)));
    const auto large = Source(Colourful(48, 40));
    const auto middle = Source(Filled(32, 32, PixelFromRgb(0, 0, 255)));
    const auto file =
        Make("sizes.ico", Quoted(small) + " " + Quoted(large) + " " + Quoted(middle) + " ICO:OUT");
    EXPECT_TRUE(SamePixels(loader_.Load(file), Colourful(48, 40)));
}

TEST_F(PictureLoaderTest, PngPicturesAreReadAloneAndInsideIcons) {
    const Bitmap picture = Colourful(256, 256);
    // Saved as .bmp: the bytes tell the kind, not the name.
    const auto alone = Make("alone.bmp", Quoted(Source(Colourful(40, 30))) +
                                             " -alpha on -channel A -fx 'i<20?0:1' +channel PNG:OUT");
    EXPECT_TRUE(SamePixels(loader_.Load(alone),
                           OverWhite(ImageMagickRgba(alone, 40, 30), 40, 30), 1));

    const auto file = Make("png.ico", Quoted(Source(picture)) + " ICO:OUT");
    const Bytes bytes = ReadAllBytes(file);
    ASSERT_EQ(std::string(bytes.begin() + 23, bytes.begin() + 26), "PNG") << "expected PNG inside";
    EXPECT_TRUE(SamePixels(loader_.Load(file), picture));

    const auto alpha =
        Make("png-alpha.ico", Quoted(Source(picture)) + " -alpha on -channel A -fx 'j<128?0.25:1' "
                                                        "+channel ICO:OUT");
    EXPECT_TRUE(
        SamePixels(loader_.Load(alpha), OverWhite(ImageMagickRgba(alpha, 256, 256), 256, 256), 1));
}

// --- Files that are not pictures -------------------------------------------------------------

class PictureLoaderErrorTest : public PictureLoaderTest {
protected:
    void ExpectRefused(const std::filesystem::path& file, const std::string& reason) {
        try {
            loader_.Load(file);
            ADD_FAILURE() << file << " was loaded";
        } catch (const PictureError& e) {
            EXPECT_THAT(e.what(), HasSubstr(file.string()));
            EXPECT_THAT(e.what(), HasSubstr(reason));
        }
    }

    // Every picture decoded from `bytes` cut short refuses, or (no further than `allowed` bytes
    // from the end) shows the whole picture.
    void ExpectTruncationsRefused(const Bytes& bytes, std::size_t allowed = 0) {
        const Bitmap whole = PictureLoader::Decode(bytes);
        for (std::size_t length = 0; length < bytes.size(); ++length) {
            const std::span<const std::uint8_t> part(bytes.data(), length);
            if (length + allowed < bytes.size()) {
                EXPECT_THROW(PictureLoader::Decode(part), PictureError) << "length " << length;
            } else {
                EXPECT_TRUE(SamePixels(PictureLoader::Decode(part), whole)) << "length " << length;
            }
        }
    }

    // Damaged copies of `bytes` decode or refuse; nothing else happens.
    void ExpectDamageHandled(const Bytes& bytes, unsigned seed) {
        std::mt19937 random(seed);
        for (int round = 0; round < 400; ++round) {
            Bytes damaged = bytes;
            const int changes = 1 + static_cast<int>(random() % 6);
            for (int i = 0; i < changes; ++i) {
                damaged[3 + random() % (damaged.size() - 3)] = static_cast<std::uint8_t>(random());
            }
            try {
                const Bitmap picture = PictureLoader::Decode(damaged);
                EXPECT_FALSE(picture.Empty());
            } catch (const PictureError&) {
            }
        }
    }
};

TEST_F(PictureLoaderErrorTest, FilesThatAreNotPicturesAreRefusedWithTheirName) {
    ExpectRefused(dir_.Path() / "missing.bmp", "does not exist");
    ExpectRefused(dir_.Path(), "not a file");
    ExpectRefused(dir_.Write("empty.bmp", {}), "empty");
    ExpectRefused(dir_.WriteText("notes.gif", "These are not the pictures you are looking for.\n"),
                  "not a BMP, PNG, JPEG, GIF, icon or metafile picture");
    std::mt19937 random(7);
    Bytes noise(500);
    for (auto& b : noise) {
        b = static_cast<std::uint8_t>(random());
    }
    noise[0] = 0x12;
    ExpectRefused(dir_.Write("noise.jpg", noise),
                  "not a BMP, PNG, JPEG, GIF, icon or metafile picture");
}

TEST_F(PictureLoaderErrorTest, DamagedBmpFilesGiveTheBitmapMessage) {
    const Bytes bmp = EncodeBmp24(Colourful());
    ExpectRefused(dir_.Write("short.bmp", Bytes(bmp.begin(), bmp.end() - 60)),
                  "Bitmap image is not valid");
}

TEST_F(PictureLoaderErrorTest, CutShortPicturesAreRefused) {
    const auto source = Quoted(Source(Colourful()));
    {
        SCOPED_TRACE("JPEG");
        const Bytes jpeg = ReadAllBytes(Make("cut.jpg", Quoted(Source(Smooth())) + " JPEG:OUT"));
        ExpectTruncationsRefused(jpeg);
        ExpectRefused(
            dir_.Write("cut-short.jpg", Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() / 2)),
            "JPEG");
    }
    {
        // Its last byte only ends the file; the picture is whole without it.
        SCOPED_TRACE("GIF");
        ExpectTruncationsRefused(ReadAllBytes(Make("cut.gif", source + " GIF:OUT")), 1);
    }
    {
        SCOPED_TRACE("interlaced GIF");
        ExpectTruncationsRefused(
            ReadAllBytes(Make("cut-i.gif", source + " -interlace GIF GIF:OUT")), 1);
    }
    {
        SCOPED_TRACE("icon");
        ExpectTruncationsRefused(ReadAllBytes(Make("cut.ico", source + " ICO:OUT")));
    }
    {
        SCOPED_TRACE("PNG icon");
        ExpectTruncationsRefused(
            ReadAllBytes(Make("cut-png.ico", Quoted(Source(Colourful(256, 256))) + " ICO:OUT")));
    }
}

TEST_F(PictureLoaderErrorTest, DamagedPicturesNeverCrash) {
    const auto source = Quoted(Source(Colourful()));
    ExpectDamageHandled(ReadAllBytes(Make("d.jpg", Quoted(Source(Smooth())) + " JPEG:OUT")), 1);
    ExpectDamageHandled(
        ReadAllBytes(Make("d-p.jpg", Quoted(Source(Smooth())) + " -interlace Plane JPEG:OUT")), 2);
    ExpectDamageHandled(ReadAllBytes(Make("d.gif", source + " GIF:OUT")), 3);
    ExpectDamageHandled(ReadAllBytes(Make("d-i.gif", source + " -interlace GIF GIF:OUT")), 4);
    ExpectDamageHandled(ReadAllBytes(Make("d.ico", source + " ICO:OUT")), 5);
    ExpectDamageHandled(ReadAllBytes(Make("d-4.ico", source + " -colors 12 -type Palette ICO:OUT")),
                        6);
    ExpectDamageHandled(ReadAllBytes(Make("d-png.ico", Quoted(Source(Colourful(64, 300))) +
                                                           " -resize 256x256! ICO:OUT")),
                        7);
}

void SetBig16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
}

void SetBig32(Bytes& b, std::size_t at, std::uint32_t v) {
    SetBig16(b, at, v >> 16);
    SetBig16(b, at + 2, v & 0xFFFF);
}

void SetLittle32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

std::string RefusalOf(const Bytes& bytes) {
    try {
        PictureLoader::Decode(bytes);
    } catch (const PictureError& e) {
        return e.what();
    }
    return "(decoded)";
}

TEST_F(PictureLoaderErrorTest, HugeSizesAreRefusedBeforeAnythingIsAllocated) {
    Bytes jpeg = ReadAllBytes(Make("huge.jpg", Quoted(Source(Smooth())) + " JPEG:OUT"));
    const Bytes startOfFrame{0xFF, 0xC0};
    const auto sof =
        std::search(jpeg.begin(), jpeg.end(), startOfFrame.begin(), startOfFrame.end());
    ASSERT_NE(sof, jpeg.end());
    const auto at = static_cast<std::size_t>(sof - jpeg.begin());
    SetBig16(jpeg, at + 5, 60000); // height
    SetBig16(jpeg, at + 7, 60000); // width
    EXPECT_THAT(RefusalOf(jpeg), HasSubstr("too large"));
    // Few pixels, but wider than a picture may be.
    SetBig16(jpeg, at + 5, 2);
    SetBig16(jpeg, at + 7, 40000);
    EXPECT_THAT(RefusalOf(jpeg), HasSubstr("too large"));

    Bytes gif = ReadAllBytes(Make("huge.gif", Quoted(Source(Colourful())) + " GIF:OUT"));
    gif[6] = gif[7] = gif[8] = gif[9] = 0xFF; // a screen of 65535 x 65535
    EXPECT_THAT(RefusalOf(gif), HasSubstr("too large"));

    Bytes png = ReadAllBytes(Make("huge.ico", Quoted(Source(Colourful(256, 256))) + " ICO:OUT"));
    const std::size_t image = png[18] | png[19] << 8;
    SetBig32(png, image + 16, 100000);
    SetBig32(png, image + 20, 100000);
    EXPECT_THAT(RefusalOf(png), HasSubstr("too large"));

    Bytes ico = ReadAllBytes(Make("wide.ico", Quoted(Source(Colourful())) + " ICO:OUT"));
    SetLittle32(ico, 22 + 4, 1000000); // the entry's own width
    EXPECT_EQ(RefusalOf(ico), "Icon image is not valid");
}

TEST_F(PictureLoaderErrorTest, IconEntriesOutsideTheFileAreRefused) {
    const Bytes ico = ReadAllBytes(Make("entries.ico", Quoted(Source(Colourful())) + " ICO:OUT"));
    Bytes beyond = ico;
    SetLittle32(beyond, 6 + 12, static_cast<std::uint32_t>(ico.size())); // offset at the end
    EXPECT_EQ(RefusalOf(beyond), "Icon image is not valid");
    Bytes tooLong = ico;
    SetLittle32(tooLong, 6 + 8, 0xFFFFFFF0); // byte count
    EXPECT_EQ(RefusalOf(tooLong), "Icon image is not valid");
    Bytes moreEntries = ico;
    moreEntries[4] = 200; // entries the directory does not hold
    EXPECT_EQ(RefusalOf(moreEntries), "Icon image is not valid");
}

} // namespace
} // namespace velkaro
