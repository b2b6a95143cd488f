// PNG files: what qvf pack reads as sprites and the headless runner writes as frames.

#include "codecs/PngFile.h"
#include "codecs/PictureError.h"
#include "support/GameFileBuilder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>

namespace velkaro::test {
namespace {

namespace fs = std::filesystem;

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const PictureError& e) {
        return e.what();
    }
    return "no error";
}

TEST(PngFile, OpaquePicturesComeBackExactly) {
    TempDir folder;
    Bitmap picture(7, 5);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            picture.At(x, y) =
                PixelFromRgb(static_cast<std::uint8_t>(x * 37), static_cast<std::uint8_t>(y * 51),
                             static_cast<std::uint8_t>(255 - x * y));
        }
    }
    WritePng(picture, folder.Path() / "p.png");
    EXPECT_EQ(ReadPng(folder.Path() / "p.png"), picture);
}

TEST(PngFile, TransparencyIsCompositedOntoWhite) {
    TempDir folder;
    Bitmap picture(3, 1);
    picture.At(0, 0) = 0x00123456u; // fully transparent, whatever its colour
    picture.At(1, 0) = 0x80FF0000u; // half transparent red
    picture.At(2, 0) = 0xFF00FF00u; // opaque green
    WritePng(picture, folder.Path() / "p.png");
    const Bitmap read = ReadPng(folder.Path() / "p.png");
    EXPECT_EQ(read.At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(read.At(1, 0) >> 16 & 0xFF, 0xFFu);
    EXPECT_NEAR(static_cast<int>(read.At(1, 0) >> 8 & 0xFF), 127, 2);
    EXPECT_NEAR(static_cast<int>(read.At(1, 0) & 0xFF), 127, 2);
    EXPECT_EQ(read.At(2, 0), 0xFF00FF00u);
}

TEST(PngFile, ReadingErrorsNameTheFile) {
    TempDir folder;
    const fs::path text = folder.WriteText("text.png", "just words, not a picture");
    EXPECT_NE(ErrorOf([&] { ReadPng(text); }).find("text.png: not a PNG file"), std::string::npos);
    EXPECT_NE(
        ErrorOf([&] { ReadPng(folder.Path() / "none.png"); }).find("none.png: cannot be opened"),
        std::string::npos);

    // A header promising 100000 x 100000 pixels is refused before anything is allocated.
    std::vector<std::uint8_t> huge = {0x89, 'P', 'N',  'G',  '\r', '\n', 0x1A, '\n', 0,    0,
                                      0,    13,  'I',  'H',  'D',  'R',  0,    1,    0x86, 0xA0,
                                      0,    1,   0x86, 0xA0, 8,    2,    0,    0,    0};
    const fs::path big = folder.Write("big.png", huge);
    EXPECT_NE(ErrorOf([&] { ReadPng(big); }).find("100000 x 100000 pixels is too large"),
              std::string::npos);

    // A real PNG cut short.
    WritePng(Bitmap(40, 40, 0xFF336699u), folder.Path() / "whole.png");
    std::vector<std::uint8_t> whole;
    {
        std::ifstream in(folder.Path() / "whole.png", std::ios::binary);
        whole.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    whole.resize(whole.size() / 2);
    const fs::path cut = folder.Write("cut.png", whole);
    EXPECT_NE(ErrorOf([&] { ReadPng(cut); }).find("cut.png: not a PNG picture that can be read"),
              std::string::npos);
}

TEST(PngFile, WritingIsWholeOrNothing) {
    TempDir folder;
    const fs::path path = folder.Path() / "frame.png";
    WritePng(Bitmap(2, 2, 0xFF000000u), path);
    WritePng(Bitmap(3, 3, 0xFFFFFFFFu), path); // replaces the first
    EXPECT_EQ(ReadPng(path).Width(), 3);
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);

    EXPECT_NE(ErrorOf([&] {
                  WritePng(Bitmap(1, 1), folder.Path() / "no" / "f.png");
              }).find("f.png: cannot be written"),
              std::string::npos);
    EXPECT_NE(ErrorOf([&] { WritePng(Bitmap(), path); }).find("empty picture"), std::string::npos);
    EXPECT_EQ(ReadPng(path).Width(), 3);
}

} // namespace
} // namespace velkaro::test
