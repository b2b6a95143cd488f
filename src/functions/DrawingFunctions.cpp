#include "functions/DrawingFunctions.h"

#include "base/NumberText.h"
#include "data/GameLoader.h"
#include "engine/GameParts.h"
#include "script/FunctionCall.h"
#include "world/CollisionUnit.h"

#include <cstdint>
#include <iterator>
#include <string>
#include <utility>

namespace velkaro {
namespace {

// One call of a function of this table. Arguments go to the drawing surface as they come:
// integers are rounded (halves to even) and cut to 32 bits, nothing is checked.
class DrawCall : public FunctionCall {
public:
    using FunctionCall::FunctionCall;

    CDrawingUnit& Drawing() { return Parts().drawing; }
    DrawingState& State() { return Drawing().State(); }
    Colour ColourArgument(int i) const { return static_cast<Colour>(Integer32(i)); }
};

// The runtime decides whether the display allows full screen.
void FullScreen(DrawCall& call) {
    call.Parts().runtime.SetScreenMode(call.Integer(0) >= 1);
}

void MakeColor(DrawCall& call) {
    // In reals, so that arguments of any size add up without overflowing.
    call.Return(static_cast<double>(call.Integer(0)) +
                256.0 * static_cast<double>(call.Integer(1)) +
                65536.0 * static_cast<double>(call.Integer(2)));
}

void SetBrushStyle(DrawCall& call) {
    const std::int64_t number = call.Integer(0);
    if (number < 0 || number > 7) {
        return;
    }
    call.State().brush.style = *BrushStyleFromNumber(static_cast<int>(number));
}

void SetFontStyle(DrawCall& call) {
    const std::int64_t style = call.Integer(0);
    if (style < 0 || style > 3) {
        return;
    }
    Font& font = call.State().font;
    font.bold = (style & 1) != 0;
    font.italic = (style & 2) != 0;
    font.underline = false;
    font.strikeOut = false;
}

// The object an object argument names, or 0 when it names none.
std::int32_t ObjectArgument(DrawCall& call, int i) {
    const std::int32_t object = ResolveObject(call.Self(), call.Other(), call.Integer32(i));
    return call.Game().data.objects.Valid(object) ? object : 0;
}

void DrawSubimage(DrawCall& call) {
    const std::int32_t object = ObjectArgument(call, 2);
    if (object == 0) {
        return;
    }
    call.Drawing().DrawObjectImage(object, call.Integer32(3), call.Self().image_scale,
                                   call.Number(0), call.Number(1));
}

void DrawImage(DrawCall& call) {
    const std::int32_t object = ObjectArgument(call, 2);
    if (object == 0) {
        return;
    }
    const int count = call.Game().data.objects.Get(object).image.Count();
    if (count == 0) {
        return;
    }
    call.Drawing().DrawObjectImage(object, ShownSubimage(call.Self(), count),
                                   call.Self().image_scale, call.Number(0), call.Number(1));
}

// A measure of text, or the failure of a text too long to measure.
void Measured(DrawCall& call, std::optional<int> measure) {
    if (!measure) {
        call.Context().Fail(TooLongToLayOut(std::string("Text of ") + call.Name(), call.Text(0)));
        return;
    }
    call.Return(*measure);
}

void DrawTextFunction(DrawCall& call) {
    const RValue& value = call.Argument(2);
    std::string text;
    if (value.IsString()) {
        text = value.string;
    } else if (auto number = RealToString(value.real, call.Game().decimal_separator)) {
        text = std::move(*number);
    } else {
        call.Context().Fail("Argument of draw_text is out of range: " +
                            NumberForMessage(value.real));
        return;
    }
    if (!call.Drawing().DrawText(call.Number(0), call.Number(1), text)) {
        call.Context().Fail(TooLongToLayOut("Text of draw_text", text));
    }
}

void DrawCircle(DrawCall& call) {
    const double x = call.Number(0);
    const double y = call.Number(1);
    const double r = call.Number(2);
    call.Drawing().DrawEllipse(x - r, y - r, x + r, y + r);
}

// In registration order: the order fixes the function numbers.
constexpr FunctionEntry<DrawCall> kDrawingFunctions[] = {
    {"redraw", 0, [](DrawCall& c) { c.Drawing().DrawFrame(); }},
    {"fullscreen", 1, FullScreen},
    {"show_cursor", 1, [](DrawCall& c) { c.Drawing().GetScreen().ShowCursor(c.Integer(0) != 0); }},
    {"make_color", 3, MakeColor},
    {"set_brush_color", 1, [](DrawCall& c) { c.State().brush.colour = c.ColourArgument(0); }},
    {"set_brush_style", 1, SetBrushStyle},
    {"set_pen_color", 1, [](DrawCall& c) { c.State().pen.colour = c.ColourArgument(0); }},
    {"set_pen_size", 1, [](DrawCall& c) { c.State().pen.width = c.Integer32(0); }},
    {"set_font_color", 1, [](DrawCall& c) { c.State().font.colour = c.ColourArgument(0); }},
    {"set_font_size", 1, [](DrawCall& c) { c.State().font.size = c.Integer32(0); }},
    {"set_font_angle", 1, [](DrawCall& c) { c.State().angle = c.Number(0); }},
    {"set_font_style", 1, SetFontStyle},
    {"set_font_align", 1, [](DrawCall& c) { c.State().alignment = c.Integer32(0); }},
    {"set_font_name", 1, [](DrawCall& c) { c.State().font.name = c.Text(0); }},
    {"draw_subimage", 4, DrawSubimage},
    {"draw_image", 3, DrawImage},
    {"draw_line", 4,
     [](DrawCall& c) { c.Drawing().DrawLine(c.Number(0), c.Number(1), c.Number(2), c.Number(3)); }},
    {"draw_text", 3, DrawTextFunction},
    {"draw_circle", 3, DrawCircle},
    {"draw_ellipse", 4,
     [](DrawCall& c) {
         c.Drawing().DrawEllipse(c.Number(0), c.Number(1), c.Number(2), c.Number(3));
     }},
    {"draw_rectangle", 4,
     [](DrawCall& c) {
         c.Drawing().DrawRectangle(c.Number(0), c.Number(1), c.Number(2), c.Number(3));
     }},
    {"draw_roundrect", 4,
     [](DrawCall& c) {
         c.Drawing().DrawRoundRect(c.Number(0), c.Number(1), c.Number(2), c.Number(3));
     }},
    {"draw_triangle", 6,
     [](DrawCall& c) {
         c.Drawing().DrawTriangle(c.Number(0), c.Number(1), c.Number(2), c.Number(3), c.Number(4),
                                  c.Number(5));
     }},
    {"draw_button", 5,
     [](DrawCall& c) {
         c.Drawing().DrawButton(c.Number(0), c.Number(1), c.Number(2), c.Number(3),
                                c.Integer(4) != 0);
     }},
    {"string_width", 1, [](DrawCall& c) { Measured(c, c.Drawing().StringWidth(c.Text(0))); }},
    {"string_height", 1, [](DrawCall& c) { Measured(c, c.Drawing().StringHeight(c.Text(0))); }},
};

} // namespace

void RegisterDrawingFunctions(CFunctionRegistry& registry) {
    static_assert(std::size(kDrawingFunctions) == 26);
    RegisterTable<DrawCall, kDrawingFunctions>(registry);
}

} // namespace velkaro
