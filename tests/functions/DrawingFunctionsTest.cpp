#include "functions/FunctionTables.h"

#include "data/GameLoader.h"
#include "engine/DrawingUnit.h"

#include "support/PartsInMemory.h"

#include "functions/FunctionCalls.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

namespace velkaro {
namespace {

constexpr Colour kBack = 0x202020;
constexpr Colour kRed = 0x0000FF;
constexpr Colour kBlack = 0;

const char* const kTableOrder[] = {
    "redraw",          "fullscreen",     "show_cursor",    "make_color",     "set_brush_color",
    "set_brush_style", "set_pen_color",  "set_pen_size",   "set_font_color", "set_font_size",
    "set_font_angle",  "set_font_style", "set_font_align", "set_font_name",  "draw_subimage",
    "draw_image",      "draw_line",      "draw_text",      "draw_circle",    "draw_ellipse",
    "draw_rectangle",  "draw_roundrect", "draw_triangle",  "draw_button",    "string_width",
    "string_height"};
constexpr int kArgumentCounts[] = {0, 1, 1, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                   1, 4, 3, 4, 3, 3, 4, 4, 4, 6, 5, 1, 1};

class DrawingFunctionsTest : public ::testing::Test {
protected:
    DrawingFunctionsTest() {
        game.decimal_separator = ".";
        game.cellsize = 10;
        game.room_columns = 32; // 320 x 240
        game.room_rows = 24;
        game.back_color = static_cast<std::int32_t>(kBack);
        data.rooms.Add();
        game.room = 1;
        // Three sub-images: red, green, blue, each with a white transparent corner.
        CObject& sprite = data.objects.Add();
        sprite.image.width = 8;
        sprite.image.height = 8;
        for (Colour colour : {Colour{0x0000FF}, Colour{0x00FF00}, Colour{0xFF0000}}) {
            Bitmap frame(8, 8, PixelFromColour(colour));
            frame.At(0, 7) = PixelFromColour(0xFFFFFF);
            sprite.image.AddFrame(frame);
        }
        self = &game.instances.Add(data.objects, 1, 0, 0);
        unit.StartDrawing();
        unit.SetUpRoomDrawing();
        Clear();
    }

    void Clear() { unit.Surface()->Fill(kBack); }

    RValue Call(const std::string& name, std::vector<RValue> values) {
        FunctionContext context = parts.Context();
        RValue result = test::CallByName(registry, context, *self, *self, name, values);
        EXPECT_FALSE(context.Failed()) << context.error;
        return result;
    }
    RValue Call(const std::string& name, std::initializer_list<double> numbers) {
        std::vector<RValue> values;
        for (double n : numbers) {
            values.push_back(RValue::Real(n));
        }
        return Call(name, values);
    }

    Colour At(int x, int y) { return ColourFromPixel(unit.Surface()->Pixels().At(x, y)); }
    Bitmap Picture() { return unit.Surface()->Pixels(); }

    // The picture after drawing `text` left-aligned at (x, y) on a clear surface.
    Bitmap LeftAligned(double x, double y, const std::string& text) {
        const std::int32_t alignment = unit.State().alignment;
        unit.State().alignment = kAlignLeft;
        Clear();
        unit.DrawText(x, y, text);
        unit.State().alignment = alignment;
        return Picture();
    }

    const CFunctionRegistry registry = BuildFunctionRegistry();
    GameData data;
    test::PartsInMemory parts{data};
    GameState& game = parts.state;
    CInstance* self = nullptr;
    test::QuietScreen& screen = parts.screen;
    CDrawingUnit& unit = parts.drawing;
};

TEST_F(DrawingFunctionsTest, TheTableHoldsItsFunctionsInOrderWithTheirArgumentCounts) {
    const int first = registry.FindFunction("redraw");
    ASSERT_GT(first, 0);
    for (int i = 0; i < 26; ++i) {
        EXPECT_EQ(registry.FindFunction(kTableOrder[i]), first + i) << kTableOrder[i];
        EXPECT_EQ(registry.GetFunctionArgCount(first + i), kArgumentCounts[i]) << kTableOrder[i];
    }
    EXPECT_EQ(registry.FindFunction("string_repeat"), first - 1) << "right after the math table";
}

TEST_F(DrawingFunctionsTest, MakeColorAddsTheChannelsWithoutClamping) {
    EXPECT_EQ(Call("make_color", {255, 0, 0}).real, 255);
    EXPECT_EQ(Call("make_color", {0, 0, 255}).real, 16711680);
    EXPECT_EQ(Call("make_color", {300, 0, 0}).real, 300);
    EXPECT_EQ(Call("make_color", {1.5, 2.5, 0}).real, 2 + 256 * 2);
    EXPECT_EQ(Call("set_brush_color", {255}), RValue()) << "no result: the real 0";
}

TEST_F(DrawingFunctionsTest, ARectangleFromTheViewOriginCoversTenPixels) {
    game.view_x = 100;
    game.view_y = 50;
    Call("set_brush_color", {static_cast<double>(kRed)});
    Call("set_pen_color", {static_cast<double>(kRed)});
    Call("draw_rectangle", {100, 50, 110, 60});
    EXPECT_EQ(At(0, 0), kRed);
    EXPECT_EQ(At(9, 9), kRed);
    EXPECT_EQ(At(10, 5), kBack);
    EXPECT_EQ(At(5, 10), kBack);
}

TEST_F(DrawingFunctionsTest, TheHollowBrushDrawsOnlyOutlinesAndUnknownStylesChangeNothing) {
    Call("set_brush_color", {static_cast<double>(kRed)});
    Call("set_brush_style", {0});
    Call("set_brush_style", {9});
    Call("draw_rectangle", {10, 10, 30, 30});
    EXPECT_EQ(At(10, 20), kBlack);
    EXPECT_EQ(At(29, 20), kBlack);
    EXPECT_EQ(At(20, 20), kBack);
    Call("set_brush_style", {1});
    Call("draw_circle", {100, 100, 10});
    EXPECT_EQ(At(100, 100), kRed);
    EXPECT_EQ(At(91, 91), kBack);
}

TEST_F(DrawingFunctionsTest, ShapesUseThePenAndLinesLeaveOutTheirEndPoint) {
    Call("set_pen_color", {static_cast<double>(kRed)});
    Call("draw_line", {10, 5, 20, 5});
    EXPECT_EQ(At(10, 5), kRed);
    EXPECT_EQ(At(19, 5), kRed);
    EXPECT_EQ(At(20, 5), kBack);
    Call("set_brush_color", {static_cast<double>(kRed)});
    Call("draw_triangle", {50, 50, 90, 50, 50, 90});
    EXPECT_EQ(At(55, 55), kRed);
    EXPECT_EQ(At(85, 85), kBack);
}

TEST_F(DrawingFunctionsTest, ButtonsAreRaisedOrPressed) {
    constexpr Colour kWhite = 0xFFFFFF;
    constexpr Colour kGrey = 0x808080;
    Call("set_brush_color", {static_cast<double>(kRed)});
    Call("draw_button", {10, 10, 30, 30, 0});
    EXPECT_EQ(At(10, 20), kWhite);
    EXPECT_EQ(At(20, 10), kWhite);
    EXPECT_EQ(At(11, 20), kWhite);
    EXPECT_EQ(At(20, 30), kGrey);
    EXPECT_EQ(At(30, 20), kGrey);
    EXPECT_EQ(At(29, 20), kGrey);
    EXPECT_EQ(At(20, 20), kRed);
    Call("draw_button", {10, 10, 30, 30, 1});
    EXPECT_EQ(At(10, 20), kGrey);
    EXPECT_EQ(At(30, 20), kWhite);
}

TEST_F(DrawingFunctionsTest, TextIsAlignedOnItsPosition) {
    const int width = static_cast<int>(Call("string_width", {RValue::String("Centred")}).real);
    ASSERT_GT(width, 0);
    Call("set_font_align", {1});
    Clear();
    Call("draw_text", {RValue::Real(200), RValue::Real(20), RValue::String("Centred")});
    const Bitmap drawn1 = Picture();
    EXPECT_EQ(drawn1, LeftAligned(200 - width / 2, 20, "Centred"));
    Call("set_font_align", {2});
    Clear();
    Call("draw_text", {RValue::Real(200), RValue::Real(20), RValue::String("Centred")});
    const Bitmap drawn2 = Picture();
    EXPECT_EQ(drawn2, LeftAligned(200 - width, 20, "Centred"));
    Call("set_font_align", {5}); // acts as left
    Clear();
    Call("draw_text", {RValue::Real(200), RValue::Real(20), RValue::String("Centred")});
    const Bitmap drawn3 = Picture();
    EXPECT_EQ(drawn3, LeftAligned(200, 20, "Centred"));
    EXPECT_NE(drawn3, LeftAligned(201, 20, "Centred"));
}

TEST_F(DrawingFunctionsTest, NumbersAreDrawnAsTheStringFunctionWritesThem) {
    struct Case {
        RValue value;
        std::string drawn;
    };
    for (const Case& c : {Case{RValue::Real(3), "3"}, Case{RValue::Real(2.5), "2.50"},
                          Case{RValue::String("2.5"), "2.5"}}) {
        Clear();
        Call("draw_text", {RValue::Real(10), RValue::Real(10), c.value});
        const Bitmap drawn4 = Picture();
        EXPECT_EQ(drawn4, LeftAligned(10, 10, c.drawn)) << c.drawn;
    }
    game.decimal_separator = ",";
    Clear();
    Call("draw_text", {RValue::Real(10), RValue::Real(10), RValue::Real(2.5)});
    const Bitmap drawn5 = Picture();
    EXPECT_EQ(drawn5, LeftAligned(10, 10, "2,50"));
}

TEST_F(DrawingFunctionsTest, TurnedTextRunsUpwardsAndMeasuresTheSame) {
    Call("set_font_size", {20});
    Call("set_font_color", {static_cast<double>(kRed)});
    const double width = Call("string_width", {RValue::String("Upwards")}).real;
    Call("set_font_angle", {std::numbers::pi / 2});
    EXPECT_EQ(Call("string_width", {RValue::String("Upwards")}).real, width);
    Call("draw_text", {RValue::Real(100), RValue::Real(200), RValue::String("Upwards")});
    int top = 240, bottom = -1, left = 320, right = -1;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            if (At(x, y) == kRed) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    ASSERT_GE(bottom, 0);
    EXPECT_GT(bottom - top, right - left);
    EXPECT_LE(bottom, 200);
    EXPECT_NEAR(200 - top, width, 6);
}

TEST_F(DrawingFunctionsTest, FontStylesAndSizesChangeTheMeasure) {
    const double plain = Call("string_width", {RValue::String("Measure me")}).real;
    Call("set_font_style", {1});
    EXPECT_TRUE(unit.State().font.bold);
    Call("set_font_style", {4});
    EXPECT_TRUE(unit.State().font.bold);
    Call("set_font_style", {0});
    Call("set_font_size", {30});
    EXPECT_GT(Call("string_width", {RValue::String("Measure me")}).real, plain * 2);
    EXPECT_GT(Call("string_height", {RValue::String("x")}).real, 30);
}

TEST_F(DrawingFunctionsTest, DrawImageShowsSelfsFrame) {
    self->image_index = -1;
    self->image_counter = 7.6; // floor 7, mod 3
    Call("draw_image", {40, 40, -1});
    EXPECT_EQ(At(44, 44), 0x00FF00u);
    self->image_index = 2;
    Call("draw_image", {40, 40, 1});
    EXPECT_EQ(At(44, 44), 0xFF0000u);
    self->SetImageScale(2);
    Call("draw_image", {100, 100, 1});
    EXPECT_EQ(At(115, 113), 0xFF0000u);
}

TEST_F(DrawingFunctionsTest, DrawSubimageTakesTheNumberModuloTheCount) {
    Call("draw_subimage", {40, 40, 1, 4});
    EXPECT_EQ(At(44, 44), 0x00FF00u);
    Clear();
    Call("draw_subimage", {40, 40, 1, -1});
    Call("draw_subimage", {40, 40, 5, 0}); // no such object
    EXPECT_EQ(At(44, 44), kBack);
}

TEST_F(DrawingFunctionsTest, RedrawFullScreenAndCursorReachTheScreen) {
    Call("redraw", std::initializer_list<double>{});
    EXPECT_EQ(screen.presents, 1);
    Call("show_cursor", {0.4});
    EXPECT_FALSE(screen.cursor);
    Call("show_cursor", {1});
    EXPECT_TRUE(screen.cursor);
    Call("fullscreen", {1});
    Call("fullscreen", {0.6});
    Call("fullscreen", {0.4});
    EXPECT_EQ(parts.runtime.screenModes, (std::vector<bool>{true, true, false}));
}

TEST_F(DrawingFunctionsTest, DrawingBeforeAnyRoomDoesNothing) {
    unit.ReleaseRoomDrawing();
    Call("draw_rectangle", {0, 0, 10, 10});
    Call("draw_text", {RValue::Real(0), RValue::Real(0), RValue::Real(2)});
    Call("draw_image", {0, 0, 1});
    Call("draw_button", {0, 0, 10, 10, 1});
    Call("redraw", std::initializer_list<double>{});
    EXPECT_EQ(screen.presents, 0);
    EXPECT_GT(Call("string_height", {RValue::String("x")}).real, 0);
}

} // namespace
} // namespace velkaro
