#include "platform/Canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

// fontconfig drops a few bytes while it parses its configuration, once per process, and the
// leak checker would fail every run that draws text. Only memory that fontconfig itself
// allocated is let through: what the canvas owns is Pango's and Cairo's, and stays checked.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

namespace velkaro {
namespace {

constexpr Colour kWhite = 0xFFFFFF;
constexpr Colour kBlack = 0x000000;
constexpr Colour kRed = 0x0000FF;
constexpr Colour kGreen = 0x00FF00;
constexpr Colour kBlue = 0xFF0000;
constexpr Colour kGrey = 0x808080;

Pixel P(Colour c) {
    return PixelFromColour(c);
}

std::unique_ptr<Canvas> WhiteCanvas(int width, int height) {
    auto canvas = MakeCanvas(width, height);
    canvas->Fill(kWhite);
    return canvas;
}

Bitmap Picture(int width, int height, const std::function<Colour(int, int)>& colourAt) {
    Bitmap picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.At(x, y) = P(colourAt(x, y));
        }
    }
    return picture;
}

// Names the first differing pixel and shows the drawn picture, one letter per colour.
testing::AssertionResult SamePicture(const Bitmap& actual, const Bitmap& expected) {
    if (actual.Width() != expected.Width() || actual.Height() != expected.Height()) {
        return testing::AssertionFailure() << "sizes differ";
    }
    for (int y = 0; y < actual.Height(); ++y) {
        for (int x = 0; x < actual.Width(); ++x) {
            if (actual.At(x, y) == expected.At(x, y)) {
                continue;
            }
            std::ostringstream out;
            out << "pixel (" << x << ", " << y << ") is " << std::hex << actual.At(x, y)
                << ", expected " << expected.At(x, y) << "\n";
            for (int row = 0; row < actual.Height(); ++row) {
                for (int column = 0; column < actual.Width(); ++column) {
                    const Pixel p = actual.At(column, row);
                    out << (p == P(kWhite)   ? '.'
                            : p == P(kBlack) ? '#'
                            : p == P(kRed)   ? 'r'
                            : p == P(kBlue)  ? 'b'
                                             : '?');
                }
                out << "\n";
            }
            return testing::AssertionFailure() << out.str();
        }
    }
    return testing::AssertionSuccess();
}

// The smallest box holding every pixel that differs from the background, edges inclusive.
struct Ink {
    int left = 0;
    int top = 0;
    int right = -1;
    int bottom = -1;
    int count = 0;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
};

Ink FindInk(const Bitmap& picture, Colour background) {
    Ink ink{picture.Width(), picture.Height(), -1, -1, 0};
    for (int y = 0; y < picture.Height(); ++y) {
        for (int x = 0; x < picture.Width(); ++x) {
            if (picture.At(x, y) != P(background)) {
                ink.left = std::min(ink.left, x);
                ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x);
                ink.bottom = std::max(ink.bottom, y);
                ++ink.count;
            }
        }
    }
    return ink;
}

// ---- Shapes ----

TEST(CanvasShapes, FillSetsEveryPixelToTheGameColour) {
    auto canvas = MakeCanvas(5, 4);
    canvas->Fill(kRed);
    EXPECT_TRUE(SamePicture(canvas->Pixels(), Picture(5, 4, [](int, int) { return kRed; })));
    EXPECT_EQ(canvas->Pixels().At(0, 0), 0xFFFF0000u);
}

TEST(CanvasShapes, RectangleLeavesOutItsRightColumnAndBottomRow) {
    const auto expected = Picture(16, 16, [](int x, int y) {
        if (x < 2 || x > 11 || y < 3 || y > 12) {
            return kWhite;
        }
        return x == 2 || x == 11 || y == 3 || y == 12 ? kBlack : kRed;
    });
    auto canvas = WhiteCanvas(16, 16);
    canvas->SetBrush({kRed, BrushStyle::Solid});
    canvas->Rectangle(2, 3, 12, 13);
    EXPECT_TRUE(SamePicture(canvas->Pixels(), expected));

    auto reversed = WhiteCanvas(16, 16);
    reversed->SetBrush({kRed, BrushStyle::Solid});
    reversed->Rectangle(12, 13, 2, 3);
    EXPECT_TRUE(SamePicture(reversed->Pixels(), expected));
}

TEST(CanvasShapes, ClearBrushDrawsTheOutlineOnly) {
    auto canvas = WhiteCanvas(12, 12);
    canvas->SetBrush({kRed, BrushStyle::Clear});
    canvas->Rectangle(0, 0, 10, 10);
    EXPECT_TRUE(SamePicture(canvas->Pixels(), Picture(12, 12, [](int x, int y) {
                                return x < 10 && y < 10 && (x == 0 || x == 9 || y == 0 || y == 9)
                                           ? kBlack
                                           : kWhite;
                            })));
}

TEST(CanvasShapes, FillRectUsesTheBrushWithoutOutline) {
    auto canvas = WhiteCanvas(12, 12);
    canvas->SetBrush({kRed, BrushStyle::Solid});
    canvas->FillRect(1, 1, 11, 11);
    EXPECT_TRUE(SamePicture(canvas->Pixels(), Picture(12, 12, [](int x, int y) {
                                return x >= 1 && x <= 10 && y >= 1 && y <= 10 ? kRed : kWhite;
                            })));
    canvas->SetBrush({kBlue, BrushStyle::Clear});
    canvas->FillRect(0, 0, 12, 12);
    EXPECT_EQ(canvas->Pixels().At(0, 0), P(kWhite));
}

TEST(CanvasShapes, LineLeavesOutItsEndPoint) {
    auto canvas = WhiteCanvas(10, 10);
    canvas->Line(2, 5, 8, 5);
    canvas->Line(1, 8, 1, 2);
    canvas->Line(3, 0, 7, 4);
    EXPECT_TRUE(SamePicture(canvas->Pixels(), Picture(10, 10, [](int x, int y) {
                                const bool across = y == 5 && x >= 2 && x <= 7;
                                const bool upwards = x == 1 && y >= 3 && y <= 8;
                                const bool diagonal = x - y == 3 && x <= 6;
                                return across || upwards || diagonal ? kBlack : kWhite;
                            })));
}

TEST(CanvasShapes, SlantedLineHasOnePixelPerStepAndNoGaps) {
    auto canvas = WhiteCanvas(12, 6);
    canvas->Line(0, 0, 10, 3);
    const Bitmap& picture = canvas->Pixels();
    int previous = 0;
    for (int x = 0; x < 12; ++x) {
        std::vector<int> rows;
        for (int y = 0; y < 6; ++y) {
            if (picture.At(x, y) == P(kBlack)) {
                rows.push_back(y);
            }
        }
        if (x >= 10) {
            EXPECT_TRUE(rows.empty()) << "column " << x;
            continue;
        }
        ASSERT_EQ(rows.size(), 1u) << "column " << x;
        EXPECT_LE(std::abs(rows[0] - previous), 1) << "column " << x;
        previous = rows[0];
    }
    EXPECT_EQ(picture.At(0, 0), P(kBlack));
    EXPECT_EQ(previous, 3);
}

TEST(CanvasShapes, PolylineLeavesOutOnlyItsLastPoint) {
    auto canvas = WhiteCanvas(8, 8);
    const std::array<CanvasPoint, 3> points = {{{0, 0}, {5, 0}, {5, 5}}};
    canvas->Polyline(points);
    EXPECT_TRUE(SamePicture(canvas->Pixels(), Picture(8, 8, [](int x, int y) {
                                return (y == 0 && x <= 5) || (x == 5 && y <= 4) ? kBlack : kWhite;
                            })));
}

TEST(CanvasShapes, LinesFarOutsideAreCutToThePicture) {
    auto canvas = WhiteCanvas(20, 10);
    canvas->Line(-2000000000, 3, 2000000000, 3);
    canvas->Line(7, -2000000000, 7, 2000000000);
    canvas->Line(-1000000000, -1000000000, 1000000000, 1000000000);
    const Bitmap& picture = canvas->Pixels();
    for (int x = 0; x < 20; ++x) {
        EXPECT_EQ(picture.At(x, 3), P(kBlack)) << x;
    }
    for (int y = 0; y < 10; ++y) {
        EXPECT_EQ(picture.At(7, y), P(kBlack)) << y;
        EXPECT_EQ(picture.At(y, y), P(kBlack)) << y;
    }
}

TEST(CanvasShapes, EllipseStaysInsideItsBoxAndTouchesEveryEdge) {
    for (const auto& [width, height] :
         std::vector<std::pair<int, int>>{{10, 10}, {11, 7}, {3, 2}}) {
        auto canvas = WhiteCanvas(16, 16);
        canvas->SetBrush({kRed, BrushStyle::Solid});
        canvas->Ellipse(2, 3, 2 + width, 3 + height);
        const Bitmap& picture = canvas->Pixels();
        const Ink ink = FindInk(picture, kWhite);
        EXPECT_EQ(ink.left, 2);
        EXPECT_EQ(ink.top, 3);
        EXPECT_EQ(ink.right, 1 + width);
        EXPECT_EQ(ink.bottom, 2 + height);
        for (int y = ink.top; y <= ink.bottom; ++y) {
            for (int x = ink.left; x <= ink.right; ++x) {
                // Symmetric both ways, and outlined: the outermost pixel of each row is pen.
                EXPECT_EQ(picture.At(x, y), picture.At(ink.left + ink.right - x, y));
                EXPECT_EQ(picture.At(x, y), picture.At(x, ink.top + ink.bottom - y));
            }
        }
        for (int y = ink.top; y <= ink.bottom; ++y) {
            int x = ink.left;
            while (picture.At(x, y) == P(kWhite)) {
                ++x;
            }
            EXPECT_EQ(picture.At(x, y), P(kBlack)) << width << "x" << height << " row " << y;
        }
        if (width == 10) {
            EXPECT_EQ(picture.At(2, 3), P(kWhite)) << "the corner of the box";
            EXPECT_EQ(picture.At(7, 8), P(kRed)) << "the middle";
        }
    }
}

TEST(CanvasShapes, RoundRectCutsItsCornersOnly) {
    auto canvas = WhiteCanvas(24, 24);
    canvas->SetBrush({kRed, BrushStyle::Solid});
    canvas->RoundRect(2, 2, 22, 22, 10, 10);
    const Bitmap& picture = canvas->Pixels();
    const Ink ink = FindInk(picture, kWhite);
    EXPECT_EQ(ink.left, 2);
    EXPECT_EQ(ink.top, 2);
    EXPECT_EQ(ink.right, 21);
    EXPECT_EQ(ink.bottom, 21);
    // The straight part of each side is outline; the corner pixels are left out.
    for (int i = 7; i <= 16; ++i) {
        EXPECT_EQ(picture.At(i, 2), P(kBlack)) << i;
        EXPECT_EQ(picture.At(i, 21), P(kBlack)) << i;
        EXPECT_EQ(picture.At(2, i), P(kBlack)) << i;
        EXPECT_EQ(picture.At(21, i), P(kBlack)) << i;
    }
    for (const auto& [x, y] :
         std::vector<std::pair<int, int>>{{2, 2}, {21, 2}, {2, 21}, {21, 21}}) {
        EXPECT_EQ(picture.At(x, y), P(kWhite)) << x << "," << y;
    }
    EXPECT_EQ(picture.At(12, 12), P(kRed));

    // A larger corner cuts deeper.
    auto rounder = WhiteCanvas(24, 24);
    rounder->RoundRect(2, 2, 22, 22, 20, 20);
    EXPECT_LT(FindInk(rounder->Pixels(), kWhite).count, FindInk(picture, kWhite).count);
}

TEST(CanvasShapes, PolygonIsFilledAndOutlinedThroughItsPoints) {
    auto canvas = WhiteCanvas(14, 14);
    canvas->SetBrush({kRed, BrushStyle::Solid});
    const std::array<CanvasPoint, 3> triangle = {{{1, 1}, {11, 1}, {1, 11}}};
    canvas->Polygon(triangle);
    const Bitmap& picture = canvas->Pixels();
    for (const CanvasPoint& p : triangle) {
        EXPECT_EQ(picture.At(p.x, p.y), P(kBlack));
    }
    EXPECT_EQ(picture.At(6, 1), P(kBlack));
    EXPECT_EQ(picture.At(6, 6), P(kBlack)) << "on the slanted side";
    EXPECT_EQ(picture.At(3, 3), P(kRed));
    EXPECT_EQ(picture.At(9, 9), P(kWhite));
    EXPECT_EQ(FindInk(picture, kWhite).right, 11);
}

bool OnHatch(BrushStyle style, int x, int y) {
    const int u = x % 8;
    const int v = y % 8;
    const bool horizontal = v == 7;
    const bool vertical = u == 4;
    const bool falling = u == v;
    const bool rising = u + v == 7;
    switch (style) {
    case BrushStyle::Horizontal:
        return horizontal;
    case BrushStyle::Vertical:
        return vertical;
    case BrushStyle::FDiagonal:
        return falling;
    case BrushStyle::BDiagonal:
        return rising;
    case BrushStyle::Cross:
        return horizontal || vertical;
    case BrushStyle::DiagCross:
        return falling || rising;
    default:
        return false;
    }
}

constexpr std::array<BrushStyle, 6> kHatchStyles = {BrushStyle::BDiagonal,  BrushStyle::FDiagonal,
                                                    BrushStyle::Cross,      BrushStyle::DiagCross,
                                                    BrushStyle::Horizontal, BrushStyle::Vertical};

TEST(CanvasBrushes, HatchesAreEightByEightTilesOverWhatIsThere) {
    for (BrushStyle style : kHatchStyles) {
        auto canvas = MakeCanvas(24, 16);
        canvas->Fill(kGreen);
        canvas->SetBrush({kBlue, style});
        canvas->FillRect(0, 0, 24, 16);
        EXPECT_TRUE(SamePicture(canvas->Pixels(), Picture(24, 16,
                                                          [style](int x, int y) {
                                                              return OnHatch(style, x, y) ? kBlue
                                                                                          : kGreen;
                                                          })))
            << "style " << static_cast<int>(style);
    }
}

TEST(CanvasBrushes, HatchesInsideCurvesLineUpWithThePicture) {
    for (BrushStyle style : kHatchStyles) {
        auto canvas = WhiteCanvas(40, 40);
        canvas->SetBrush({kBlue, style});
        canvas->Ellipse(3, 5, 37, 39);
        const Bitmap& picture = canvas->Pixels();
        int hatched = 0;
        for (int y = 12; y < 32; ++y) {
            for (int x = 10; x < 30; ++x) {
                EXPECT_EQ(picture.At(x, y), P(OnHatch(style, x, y) ? kBlue : kWhite))
                    << "style " << static_cast<int>(style) << " at " << x << "," << y;
                hatched += picture.At(x, y) == P(kBlue) ? 1 : 0;
            }
        }
        EXPECT_GT(hatched, 0);
    }
}

int RowsCoveredAt(const Bitmap& picture, int x, Colour colour) {
    int rows = 0;
    for (int y = 0; y < picture.Height(); ++y) {
        rows += picture.At(x, y) == P(colour) ? 1 : 0;
    }
    return rows;
}

TEST(CanvasPens, WidePensAreThatManyPixelsThick) {
    for (int width : {2, 3, 4, 5}) {
        auto canvas = WhiteCanvas(30, 20);
        canvas->SetPen({kBlue, width});
        canvas->Line(5, 10, 25, 10);
        const Bitmap& picture = canvas->Pixels();
        for (int x = 8; x < 22; ++x) {
            EXPECT_EQ(RowsCoveredAt(picture, x, kBlue), width) << "width " << width;
        }
    }
}

TEST(CanvasPens, ThreePixelOutlineIsCentredOnTheOnePixelOne) {
    auto canvas = WhiteCanvas(20, 20);
    canvas->SetBrush({kRed, BrushStyle::Solid});
    canvas->SetPen({kBlack, 3});
    canvas->Rectangle(5, 5, 15, 15);
    const Bitmap& picture = canvas->Pixels();
    EXPECT_EQ(FindInk(picture, kWhite).left, 4);
    EXPECT_EQ(FindInk(picture, kWhite).right, 15);
    for (int x : {4, 5, 6, 13, 14, 15}) {
        EXPECT_EQ(picture.At(x, 10), P(kBlack)) << x;
    }
    EXPECT_EQ(picture.At(7, 10), P(kRed));
    EXPECT_EQ(picture.At(12, 10), P(kRed));
}

TEST(CanvasPens, WidthZeroDrawsOnePixelLikeWidthOne) {
    auto zero = WhiteCanvas(16, 16);
    zero->SetPen({kBlack, 0});
    zero->Ellipse(1, 1, 15, 12);
    auto one = WhiteCanvas(16, 16);
    one->Ellipse(1, 1, 15, 12);
    EXPECT_TRUE(SamePicture(zero->Pixels(), one->Pixels()));
}

TEST(CanvasShapes, EmptyAndOutsideShapesAreHarmless) {
    auto canvas = WhiteCanvas(10, 10);
    canvas->Rectangle(3, 3, 3, 8);
    canvas->Ellipse(4, 4, 9, 4);
    canvas->Polygon({});
    canvas->Polyline(std::vector<CanvasPoint>{{1, 1}});
    canvas->Line(5, 5, 5, 5);
    canvas->Ellipse(-50000, -50000, -40000, -40000);
    canvas->RoundRect(100, 100, 200, 200, 10, 10);
    EXPECT_EQ(FindInk(canvas->Pixels(), kWhite).count, 0);

    auto none = MakeCanvas(-3, 5);
    EXPECT_EQ(none->Width(), 0);
    EXPECT_EQ(none->Height(), 0);
    none->Fill(kRed);
    none->Rectangle(0, 0, 5, 5);
    none->Text(0, 0, "x");
    EXPECT_TRUE(none->Pixels().Empty());
}

// ---- Bitmaps ----

// Colour letters for small test pictures.
Colour ColourOf(char letter) {
    switch (letter) {
    case 'w':
        return kWhite;
    case 'r':
        return kRed;
    case 'b':
        return kBlue;
    default:
        return kBlack;
    }
}

Bitmap FromRows(const std::vector<std::string>& rows) {
    return Picture(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()),
                   [&rows](int x, int y) { return ColourOf(rows[y][x]); });
}

TEST(CanvasBitmaps, TwoTransparentColoursAreLeftOut) {
    const Bitmap sprite = FromRows({"wbr", "bkw", "rrb"});
    auto canvas = MakeCanvas(6, 5);
    canvas->Fill(kGreen);
    canvas->DrawBitmap(sprite, 2, 1, TransparentColours(kWhite, kRed));
    EXPECT_TRUE(SamePicture(canvas->Pixels(), Picture(6, 5, [&](int x, int y) {
                                if (x < 2 || x > 4 || y < 1 || y > 3) {
                                    return kGreen;
                                }
                                const Colour c = ColourFromPixel(sprite.At(x - 2, y - 1));
                                return c == kWhite || c == kRed ? kGreen : c;
                            })));

    canvas->Fill(kGreen);
    canvas->DrawBitmap(sprite, 2, 1, TransparentColours(kBlue));
    EXPECT_EQ(canvas->Pixels().At(2, 1), P(kWhite));
    EXPECT_EQ(canvas->Pixels().At(3, 1), P(kGreen)) << "blue left out";

    canvas->DrawBitmap(sprite, 2, 1);
    EXPECT_EQ(canvas->Pixels().At(3, 1), P(kBlue)) << "nothing left out";
}

TEST(CanvasBitmaps, TransparencyComparesColoursNotAlpha) {
    Bitmap sprite(2, 1);
    sprite.At(0, 0) = P(kWhite) & 0x00FFFFFFu;
    sprite.At(1, 0) = P(kBlue) & 0x00FFFFFFu;
    auto canvas = MakeCanvas(2, 1);
    canvas->Fill(kGreen);
    canvas->DrawBitmap(sprite, 0, 0, TransparentColours(kWhite));
    EXPECT_EQ(canvas->Pixels().At(0, 0), P(kGreen));
    EXPECT_EQ(canvas->Pixels().At(1, 0), P(kBlue)) << "drawn pixels come out opaque";
}

TEST(CanvasBitmaps, DrawingIsCutAtEveryEdge) {
    const Bitmap sprite = Picture(4, 4, [](int, int) { return kBlue; });
    auto canvas = WhiteCanvas(6, 6);
    canvas->DrawBitmap(sprite, -2, -3);
    canvas->DrawBitmap(sprite, 4, 5);
    canvas->DrawBitmap(sprite, 100, -100);
    canvas->DrawBitmap(sprite, -2000000000, 2000000000);
    EXPECT_TRUE(SamePicture(canvas->Pixels(), Picture(6, 6, [](int x, int y) {
                                return (x < 2 && y < 1) || (x >= 4 && y >= 5) ? kBlue : kWhite;
                            })));
}

Bitmap Numbered(int width, int height) {
    Bitmap picture(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.At(x, y) = PixelFromRgb(static_cast<std::uint8_t>(x * 10),
                                            static_cast<std::uint8_t>(y * 10), 200);
        }
    }
    return picture;
}

TEST(CanvasBitmaps, DoubleScaleRepeatsEachPixelTwiceEachWay) {
    Bitmap sprite = Numbered(16, 8);
    sprite.At(3, 2) = P(kWhite);
    auto canvas = MakeCanvas(40, 20);
    canvas->Fill(kGreen);
    canvas->StretchBitmap(sprite, 4, 2, 36, 18, TransparentColours(kWhite));
    const Bitmap& picture = canvas->Pixels();
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 4 && x < 36 && y >= 2 && y < 18;
            Pixel expected = P(kGreen);
            if (inside) {
                const Pixel source = sprite.At((x - 4) / 2, (y - 2) / 2);
                expected = source == P(kWhite) ? P(kGreen) : source;
            }
            ASSERT_EQ(picture.At(x, y), expected) << x << "," << y;
        }
    }
}

TEST(CanvasBitmaps, StretchingPicksPixelsAndNeverBlends) {
    const Bitmap sprite = Numbered(10, 6);
    auto canvas = WhiteCanvas(30, 20);
    canvas->StretchBitmap(sprite, 0, 0, 7, 4);    // shrunk
    canvas->StretchBitmap(sprite, 10, 5, 27, 18); // enlarged by a fraction
    const Bitmap& picture = canvas->Pixels();
    EXPECT_EQ(FindInk(picture, kWhite).count, 7 * 4 + 17 * 13);
    for (const auto& [left, top, right, bottom] :
         std::vector<std::array<int, 4>>{{0, 0, 7, 4}, {10, 5, 27, 18}}) {
        int previousColumn = -1;
        for (int x = left; x < right; ++x) {
            const Pixel p = picture.At(x, top);
            const int column = static_cast<int>((p >> 16 & 0xFF) / 10);
            ASSERT_EQ(p, sprite.At(column, 0)) << "a source pixel, unblended";
            EXPECT_GE(column, previousColumn) << "in order";
            previousColumn = column;
        }
        EXPECT_EQ(picture.At(left, top), sprite.At(0, 0));
        EXPECT_EQ(picture.At(right - 1, bottom - 1), sprite.At(9, 5));
    }
}

TEST(CanvasBitmaps, BoxGivenBackwardsMirrors) {
    const Bitmap sprite = FromRows({"rwb", "kkk"});
    auto canvas = WhiteCanvas(3, 2);
    canvas->StretchBitmap(sprite, 3, 0, 0, 2);
    EXPECT_TRUE(SamePicture(canvas->Pixels(), FromRows({"bwr", "kkk"})));
    canvas->StretchBitmap(sprite, 0, 2, 3, 0);
    EXPECT_TRUE(SamePicture(canvas->Pixels(), FromRows({"kkk", "rwb"})));
}

TEST(CanvasBitmaps, ACanvasCanDrawItsOwnPicture) {
    auto canvas = WhiteCanvas(4, 2);
    canvas->SetBrush({kBlue, BrushStyle::Solid});
    canvas->FillRect(0, 0, 2, 2);
    canvas->StretchBitmap(canvas->Pixels(), 2, 0, 4, 1);
    EXPECT_TRUE(SamePicture(canvas->Pixels(), FromRows({"bbbw", "bbww"})));
}

// ---- Text ----

constexpr std::string_view kSample = "The quick brown fox jumps";

Font FontNamed(const std::string& name, int size = 10) {
    Font font;
    font.name = name;
    font.size = size;
    return font;
}

TEST(CanvasText, TimesNewRomanTenPointHasGdiMetrics) {
    auto canvas = MakeCanvas(1, 1);
    EXPECT_EQ(canvas->GetFont().name, "Times New Roman");
    // 10 points are 13 pixels of character height; the cell is 12 above the baseline and 3
    // below.
    EXPECT_EQ(canvas->TextHeight("Hello"), 15);
    EXPECT_EQ(canvas->TextHeight(""), 15);
    EXPECT_EQ(canvas->TextWidth(""), 0);
    EXPECT_GT(canvas->TextWidth("Hello"), 20);
    EXPECT_LT(canvas->TextWidth("Hello"), 40);
}

TEST(CanvasText, InkStartsAtTheOriginAndStaysInTheMeasuredBox) {
    auto canvas = WhiteCanvas(240, 60);
    canvas->Text(20, 10, kSample);
    const Ink ink = FindInk(canvas->Pixels(), kWhite);
    const int width = canvas->TextWidth(kSample);
    const int height = canvas->TextHeight(kSample);
    EXPECT_GE(ink.left, 20);
    EXPECT_LE(ink.left, 22);
    EXPECT_GE(ink.top, 10);
    EXPECT_LE(ink.top, 14);
    EXPECT_LT(ink.right, 20 + width);
    EXPECT_GT(ink.right, 20 + width - 4);
    EXPECT_LT(ink.bottom, 10 + height);
    EXPECT_GT(ink.bottom, 10 + height - 4) << "the descenders of q, j and p";
}

TEST(CanvasText, UprightLettersAreTheFontColourWithoutGreyEdges) {
    auto canvas = WhiteCanvas(240, 240);
    Font font;
    font.colour = kRed;
    canvas->SetFont(font);
    canvas->Text(0, 0, kSample);
    canvas->Text(0, 230, kSample, 900);
    int inked = 0;
    for (Pixel p : canvas->Pixels().Pixels()) {
        ASSERT_TRUE(p == P(kWhite) || p == P(kRed)) << std::hex << p;
        inked += p == P(kRed) ? 1 : 0;
    }
    EXPECT_GT(inked, 200);

    // Smoothed letters at other angles still leave every pixel opaque.
    canvas->Text(100, 200, kSample, 300);
    for (Pixel p : canvas->Pixels().Pixels()) {
        ASSERT_EQ(p >> 24, 0xFFu);
    }
}

TEST(CanvasText, SizeScalesTheMeasurements) {
    auto canvas = MakeCanvas(1, 1);
    canvas->SetFont(FontNamed("Arial", 10));
    const int width10 = canvas->TextWidth(kSample);
    const int height10 = canvas->TextHeight(kSample);
    canvas->SetFont(FontNamed("Arial", 30));
    EXPECT_NEAR(canvas->TextWidth(kSample), 3 * width10, 0.1 * 3 * width10);
    EXPECT_NEAR(canvas->TextHeight(kSample), 3 * height10, 3);
    // A negative size asks for the cell height: 20 points are 27 pixels.
    canvas->SetFont(FontNamed("Arial", -20));
    EXPECT_NEAR(canvas->TextHeight(kSample), 27, 1);
}

TEST(CanvasText, WindowsFontNamesMeasureLikeTheirStandIns) {
    auto canvas = MakeCanvas(1, 1);
    const auto widthIn = [&canvas](const std::string& name) {
        canvas->SetFont(FontNamed(name));
        return canvas->TextWidth(kSample);
    };
    const int times = widthIn("Times New Roman");
    const int arial = widthIn("Arial");
    const int courier = widthIn("Courier New");
    EXPECT_NE(times, arial);
    EXPECT_LT(arial, courier);
    EXPECT_EQ(times, widthIn("Liberation Serif"));
    EXPECT_EQ(arial, widthIn("Liberation Sans"));
    EXPECT_EQ(courier, widthIn("Liberation Mono"));
    EXPECT_EQ(times, widthIn("times new roman")) << "names are found whatever their case";
    EXPECT_EQ(times, widthIn("Times New Roman")) << "after switching fonts back and forth";

    canvas->SetFont(FontNamed("Courier New"));
    EXPECT_EQ(canvas->TextWidth("iiii"), canvas->TextWidth("MMMM"));
}

TEST(CanvasText, StylesChangeTheLetters) {
    auto canvas = WhiteCanvas(240, 30);
    Font font;
    const int regular = canvas->TextWidth(kSample);
    canvas->Text(0, 0, kSample);
    const Ink plain = FindInk(canvas->Pixels(), kWhite);

    font.bold = true;
    canvas->SetFont(font);
    EXPECT_GT(canvas->TextWidth(kSample), regular);

    for (const auto& [underline, strikeOut] : {std::pair{true, false}, std::pair{false, true}}) {
        auto styled = WhiteCanvas(240, 30);
        Font lined;
        lined.underline = underline;
        lined.strikeOut = strikeOut;
        styled->SetFont(lined);
        EXPECT_EQ(styled->TextWidth(kSample), regular);
        styled->Text(0, 0, kSample);
        const Ink ink = FindInk(styled->Pixels(), kWhite);
        EXPECT_GT(ink.count, plain.count + regular / 2)
            << "a line along the text, underline " << underline;
    }
}

TEST(CanvasText, QuarterTurnRunsUpwardsFromTheOrigin) {
    auto canvas = WhiteCanvas(60, 240);
    canvas->Text(20, 220, kSample, 900);
    const Ink ink = FindInk(canvas->Pixels(), kWhite);
    const int width = canvas->TextWidth(kSample);
    const int height = canvas->TextHeight(kSample);
    EXPECT_GT(ink.Height(), 3 * ink.Width());
    // The tops of the letters now face left: they lie between x and x + height.
    EXPECT_GE(ink.left, 20);
    EXPECT_LT(ink.right, 20 + height);
    EXPECT_LE(ink.bottom, 220);
    EXPECT_GE(ink.bottom, 217);
    EXPECT_GE(ink.top, 220 - width);
    EXPECT_LE(ink.top, 220 - width + 4);
}

TEST(CanvasText, SlantedTextRisesToTheRightAndMeasuresAsBefore) {
    auto canvas = WhiteCanvas(200, 200);
    const int width = canvas->TextWidth(kSample);
    canvas->Text(20, 180, kSample, 450);
    EXPECT_EQ(canvas->TextWidth(kSample), width);
    const Ink ink = FindInk(canvas->Pixels(), kWhite);
    // Along the diagonal: as far up as to the right, each about width / sqrt 2.
    EXPECT_NEAR(ink.Width(), ink.Height(), 6);
    EXPECT_NEAR(ink.Width(), width * 0.7071 + 15 * 0.7071, 8);
    EXPECT_GE(ink.left, 20);
    EXPECT_LE(ink.left, 24);
    EXPECT_LE(ink.bottom, 180 + 15);
}

TEST(CanvasText, WindowsTextIsConvertedForDrawing) {
    auto canvas = WhiteCanvas(60, 20);
    // é and e have the same advance; an unconverted byte would show as a replacement box.
    EXPECT_EQ(canvas->TextWidth("caf\xe9"), canvas->TextWidth("cafe"));
    EXPECT_GT(canvas->TextWidth("\x80"), 0);
    canvas->Text(0, 0, "\x80 \xe9\x81");
    EXPECT_GT(FindInk(canvas->Pixels(), kWhite).count, 20);
    EXPECT_EQ(canvas->TextWidth(std::string_view("ab\0cd", 5)), canvas->TextWidth("ab"));
}

TEST(CanvasText, EmptyTextDrawsNothing) {
    auto canvas = WhiteCanvas(20, 20);
    canvas->Text(0, 0, "");
    canvas->Text(5, 5, "", 450);
    canvas->TextOnBackground(0, 0, "", kRed);
    EXPECT_EQ(FindInk(canvas->Pixels(), kWhite).count, 0);
}

TEST(CanvasText, OpaqueTextFillsExactlyItsMeasuredBox) {
    auto canvas = MakeCanvas(120, 30);
    canvas->Fill(kGrey);
    const std::string score = " score: 40 ";
    canvas->TextOnBackground(0, 0, score, kWhite);
    const int width = canvas->TextWidth(score);
    const int height = canvas->TextHeight(score);
    const Bitmap& picture = canvas->Pixels();
    int black = 0;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 120; ++x) {
            const Pixel p = picture.At(x, y);
            if (x < width && y < height) {
                ASSERT_TRUE(p == P(kWhite) || p == P(kBlack)) << x << "," << y;
                black += p == P(kBlack) ? 1 : 0;
            } else {
                ASSERT_EQ(p, P(kGrey)) << x << "," << y;
            }
        }
    }
    EXPECT_GT(black, 30);
}

} // namespace
} // namespace velkaro
