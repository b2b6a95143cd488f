// A page LibreOffice Writer wrote (tests/data/rtf/layout.rtf), laid out by the view and set
// beside Writer's own rendering of it (layout.png, made with it by make.sh there). Glyphs
// differ between the two renderers; the page's geometry must not: where the table's lines
// stand, where the picture is and how large, where tabbed text lands, how far lines are apart.
#include "backends/desktop/RichTextView.h"
#include "base/WholeFile.h"
#include "codecs/PngFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace velkaro {
namespace {

// Writer's page has quarter-inch margins at 96 dots an inch: its text starts here.
constexpr int kPageMargin = 24;
constexpr int kTextWidth = 576;

std::filesystem::path Fixture(const std::string& name) {
    return std::filesystem::path(VELKARO_TEST_DATA).parent_path() / "rtf" / name;
}

struct Rgb {
    int r, g, b;
};
Rgb Of(Pixel p) {
    return {static_cast<int>(p >> 16 & 0xFF), static_cast<int>(p >> 8 & 0xFF),
            static_cast<int>(p & 0xFF)};
}

using Test = std::function<bool(Rgb)>;
const Test kDark = [](Rgb c) { return c.r < 110 && c.g < 110 && c.b < 110; };
// Writer smooths its thin lines over two rows of grey.
const Test kRuled = [](Rgb c) { return c.r < 160 && c.g < 160 && c.b < 160; };
// One of the picture's four solid colours (and never a border's or a word's).
const Test kPictureColour = [](Rgb c) {
    return (c.r > 230 && c.g < 30 && c.b < 30) ||
           (c.r < 30 && c.g > 140 && c.g < 180 && c.b < 30) ||
           (c.r < 30 && c.g < 30 && c.b > 230) || (c.r > 230 && c.g > 200 && c.b < 30);
};
Test Hue(Rgb hue) {
    return [=](Rgb c) {
        return std::abs(c.r - hue.r) < 90 && std::abs(c.g - hue.g) < 90 &&
               std::abs(c.b - hue.b) < 90 && !kDark(c);
    };
}

// The part of a page worth measuring: Writer's page without its margins, or the view's.
struct Page {
    const Bitmap& bitmap;
    int margin = 0;

    int Width() const { return bitmap.Width() - margin; }
    int Height() const { return bitmap.Height() - margin; }
    bool Passes(int x, int y, const Test& test) const {
        return bitmap.Contains(margin + x, margin + y) &&
               test(Of(bitmap.At(margin + x, margin + y)));
    }
    // The longest run of passing pixels among `count` from (x, y) on in steps of (dx, dy).
    int Run(int x, int y, int dx, int dy, int count, const Test& test) const {
        int longest = 0;
        for (int i = 0, run = 0; i < count; ++i, x += dx, y += dy) {
            run = Passes(x, y, test) ? run + 1 : 0;
            longest = std::max(longest, run);
        }
        return longest;
    }
};

// The first pixel of each line that passes `isLine`, neighbours counted as one line.
std::vector<int> Lines(int count, const std::function<bool(int)>& isLine) {
    std::vector<int> lines;
    for (int i = 0; i < count; ++i) {
        if (isLine(i) && (i == 0 || !isLine(i - 1))) {
            lines.push_back(i);
        }
    }
    return lines;
}

// The bounds of the pixels that pass, right and bottom included.
struct Box {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;

    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
    int Centre() const { return (left + right) / 2; }
};

Box InkBox(const Page& page, int from, const std::function<bool(int, int)>& passes) {
    Box box;
    for (int y = from; y < page.Height(); ++y) {
        for (int x = 0; x < page.Width(); ++x) {
            if (passes(x, y)) {
                box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                       std::max(box.bottom, y)};
            }
        }
    }
    return box;
}

// What is measured of a page, the same way on both.
struct Geometry {
    std::vector<int> columnLines;
    std::vector<int> rowLines;
    Box picture;
    Box left, centre, right, decimal;
    std::vector<int> spacedLines;
};

Geometry Measure(const Page& page) {
    Geometry g;
    // The picture: the only runs of solid colour 20 pixels long, down and across.
    g.picture = InkBox(page, 0, [&](int x, int y) {
        return page.Passes(x, y, kPictureColour) &&
               page.Run(x - 19, y, 1, 0, 39, kPictureColour) >= 20 &&
               page.Run(x, y - 19, 0, 1, 39, kPictureColour) >= 20;
    });
    // The table above it: lines longer than any glyph.
    const int table = std::clamp(g.picture.top, 0, page.Height());
    g.columnLines =
        Lines(page.Width(), [&](int x) { return page.Run(x, 0, 0, 1, table, kRuled) >= 40; });
    g.rowLines =
        Lines(table, [&](int y) { return page.Run(0, y, 1, 0, page.Width(), kRuled) >= 200; });
    // Below it the tabbed words, each in its colour, and then two black lines.
    const int below = g.picture.bottom + 1;
    const auto ink = [&](Rgb hue) {
        return InkBox(page, below, [&](int x, int y) { return page.Passes(x, y, Hue(hue)); });
    };
    g.left = ink({255, 0, 0});
    g.centre = ink({0, 160, 0});
    g.right = ink({0, 0, 255});
    g.decimal = ink({255, 0, 255});
    const int words = std::max({g.left.bottom, g.centre.bottom, g.right.bottom}) + 1;
    g.spacedLines = Lines(page.Height(), [&](int y) {
        return y > words && page.Run(0, y, 1, 0, page.Width(), kDark) > 0;
    });
    return g;
}

TEST(RichTextPage, LibreOfficesTablePictureAndTabsLandWhereWriterPutsThem) {
    const auto rtf = ReadFileWhole(Fixture("layout.rtf"));
    ASSERT_TRUE(rtf);
    RichTextView view(ReadRichText(std::string(rtf->begin(), rtf->end())));
    const int height = view.Layout(kTextWidth);
    Bitmap ours(kTextWidth, height);
    view.Draw(ours, {0, 0, kTextWidth, height}, 0, 0xFFFFFF);
    const Bitmap writer = ReadPng(Fixture("layout.png"));
    const Geometry mine = Measure(Page{ours});
    const Geometry theirs = Measure(Page{writer, kPageMargin});

    // Four lines down the table, as far apart as the cells are wide (1, 2 and 1.5 inches),
    // and four across it: above, between and below the three rows.
    ASSERT_EQ(theirs.columnLines.size(), 4u);
    ASSERT_EQ(mine.columnLines.size(), 4u) << "a border is lost";
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(mine.columnLines[i], theirs.columnLines[i], 2) << "line " << i;
        EXPECT_NEAR(mine.columnLines[i], std::vector<int>({0, 96, 288, 432})[i], 1);
    }
    ASSERT_EQ(theirs.rowLines.size(), 4u);
    ASSERT_EQ(mine.rowLines.size(), 4u) << "a border is lost";
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_NEAR(mine.rowLines[i] - mine.rowLines[i - 1],
                    theirs.rowLines[i] - theirs.rowLines[i - 1], 5)
            << "row " << i << ": as high as its text";
    }

    // The picture at the size the file gives, 1.5 inches wide, with the PNG's pixels.
    ASSERT_GT(theirs.picture.right, 0);
    ASSERT_GT(mine.picture.right, 0) << "no picture";
    EXPECT_EQ(theirs.picture.Width(), 144);
    EXPECT_NEAR(mine.picture.Width(), 144, 1);
    EXPECT_NEAR(mine.picture.Height(), 108, 1);
    EXPECT_NEAR(mine.picture.left, theirs.picture.left, 2);
    EXPECT_NEAR(mine.picture.top - mine.rowLines.back(),
                theirs.picture.top - theirs.rowLines.back(), 4)
        << "the paragraph's space before";
    const Bitmap png = ReadPng(Fixture("quadrants.png"));
    int wrong = 0;
    for (int y = 2; y < 106; y += 4) {
        for (int x = 2; x < 142; x += 4) {
            const Pixel expected = png.At(x * 64 / 144, y * 48 / 108);
            const Pixel seen = ours.At(mine.picture.left + x, mine.picture.top + y);
            const bool nearSeam = std::abs(x - 72) < 3 || std::abs(y - 54) < 3;
            const Rgb a = Of(seen), b = Of(expected);
            if (!nearSeam &&
                std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)}) > 8) {
                ++wrong;
            }
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels unlike the PNG scaled";

    // Left at 0.5 inch, centred on 2.5, right to 4, the decimal point at 5 (its digits
    // before it, measured on both pages).
    EXPECT_NEAR(mine.left.left, 48, 2);
    EXPECT_NEAR(mine.left.left, theirs.left.left, 2);
    EXPECT_NEAR(mine.centre.Centre(), 240, 3);
    EXPECT_NEAR(mine.centre.Centre(), theirs.centre.Centre(), 3);
    EXPECT_NEAR(mine.right.right, 384, 2);
    EXPECT_NEAR(mine.right.right, theirs.right.right, 2);
    EXPECT_NEAR(mine.decimal.left, theirs.decimal.left, 3);
    EXPECT_LT(mine.decimal.left, 480);
    EXPECT_GT(mine.decimal.right, 480);
    EXPECT_NEAR(mine.left.top - mine.picture.bottom, theirs.left.top - theirs.picture.bottom, 4)
        << "the paragraph's space before";

    // Two lines exactly 3/8 inch apart.
    ASSERT_EQ(theirs.spacedLines.size(), 2u);
    ASSERT_EQ(mine.spacedLines.size(), 2u);
    EXPECT_NEAR(theirs.spacedLines[1] - theirs.spacedLines[0], 36, 1);
    EXPECT_NEAR(mine.spacedLines[1] - mine.spacedLines[0], 36, 1);
}

} // namespace
} // namespace velkaro
