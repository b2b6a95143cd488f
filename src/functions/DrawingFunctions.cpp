#include "functions/DrawingFunctions.h"

#include "base/NumberText.h"
#include "data/GameLoader.h"
#include "engine/DrawingUnit.h"
#include "engine/RoomOperations.h"
#include "script/FunctionCall.h"
#include "world/CollisionUnit.h"
#include "world/GameState.h"
#include "world/RuntimeControl.h"

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

    // Null while nothing is drawn (no running game): the call then does nothing.
    CDrawingUnit* Drawing() { return Game().drawing; }
    Colour ColourArgument(int i) const { return static_cast<Colour>(Integer32(i)); }
};

// Runs `act` on the drawing unit when there is one.
template <typename Act> void WithDrawing(DrawCall& call, Act act) {
    if (CDrawingUnit* drawing = call.Drawing()) {
        act(*drawing);
    }
}

template <typename Act> void WithState(DrawCall& call, Act act) {
    WithDrawing(call, [&](CDrawingUnit& drawing) { act(drawing.State()); });
}

void FullScreen(DrawCall& call) {
    const bool full = call.Integer(0) >= 1;
    if (call.Game().runtime != nullptr) {
        call.Game().runtime->SetScreenMode(full);
    } else {
        WithDrawing(call, [&](CDrawingUnit& drawing) { drawing.SetScreenMode(full); });
    }
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
    WithState(call, [&](DrawingState& state) {
        state.brush.style = *BrushStyleFromNumber(static_cast<int>(number));
    });
}

void SetFontStyle(DrawCall& call) {
    const std::int64_t style = call.Integer(0);
    if (style < 0 || style > 3) {
        return;
    }
    WithState(call, [&](DrawingState& state) {
        state.font.bold = (style & 1) != 0;
        state.font.italic = (style & 2) != 0;
        state.font.underline = false;
        state.font.strikeOut = false;
    });
}

// The object an object argument names, or 0 when it names none.
std::int32_t ObjectArgument(DrawCall& call, int i) {
    const std::int32_t object = ResolveObject(call.Self(), call.Other(), call.Integer32(i));
    const GameData* data = call.Game().data;
    return data != nullptr && data->objects.Valid(object) ? object : 0;
}

void DrawSubimage(DrawCall& call) {
    const std::int32_t object = ObjectArgument(call, 2);
    if (object == 0) {
        return;
    }
    WithDrawing(call, [&](CDrawingUnit& drawing) {
        drawing.DrawObjectImage(object, call.Integer32(3), call.Self().image_scale, call.Number(0),
                                call.Number(1));
    });
}

void DrawImage(DrawCall& call) {
    const std::int32_t object = ObjectArgument(call, 2);
    if (object == 0) {
        return;
    }
    const int count = call.Game().data->objects.Get(object).image.Count();
    if (count == 0) {
        return;
    }
    WithDrawing(call, [&](CDrawingUnit& drawing) {
        drawing.DrawObjectImage(object, ShownSubimage(call.Self(), count), call.Self().image_scale,
                                call.Number(0), call.Number(1));
    });
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
    DrawTextAt(call.Game(), call.Number(0), call.Number(1), text);
}

void DrawCircle(DrawCall& call) {
    const double x = call.Number(0);
    const double y = call.Number(1);
    const double r = call.Number(2);
    WithDrawing(call, [&](CDrawingUnit& d) { d.DrawEllipse(x - r, y - r, x + r, y + r); });
}

void StringWidth(DrawCall& call) {
    WithDrawing(call, [&](CDrawingUnit& d) { call.Return(d.StringWidth(call.Text(0))); });
}

void StringHeight(DrawCall& call) {
    WithDrawing(call, [&](CDrawingUnit& d) { call.Return(d.StringHeight(call.Text(0))); });
}

// In registration order: the order fixes the function numbers.
constexpr FunctionEntry<DrawCall> kDrawingFunctions[] = {
    {"redraw", 0, [](DrawCall& c) { WithDrawing(c, [](CDrawingUnit& d) { d.DrawFrame(); }); }},
    {"fullscreen", 1, FullScreen},
    {"show_cursor", 1,
     [](DrawCall& c) {
         WithDrawing(c, [&](CDrawingUnit& d) { d.GetScreen().ShowCursor(c.Integer(0) != 0); });
     }},
    {"make_color", 3, MakeColor},
    {"set_brush_color", 1,
     [](DrawCall& c) {
         WithState(c, [&](DrawingState& s) { s.brush.colour = c.ColourArgument(0); });
     }},
    {"set_brush_style", 1, SetBrushStyle},
    {"set_pen_color", 1,
     [](DrawCall& c) {
         WithState(c, [&](DrawingState& s) { s.pen.colour = c.ColourArgument(0); });
     }},
    {"set_pen_size", 1,
     [](DrawCall& c) { WithState(c, [&](DrawingState& s) { s.pen.width = c.Integer32(0); }); }},
    {"set_font_color", 1,
     [](DrawCall& c) {
         WithState(c, [&](DrawingState& s) { s.font.colour = c.ColourArgument(0); });
     }},
    {"set_font_size", 1,
     [](DrawCall& c) { WithState(c, [&](DrawingState& s) { s.font.size = c.Integer32(0); }); }},
    {"set_font_angle", 1,
     [](DrawCall& c) { WithState(c, [&](DrawingState& s) { s.angle = c.Number(0); }); }},
    {"set_font_style", 1, SetFontStyle},
    {"set_font_align", 1,
     [](DrawCall& c) { WithState(c, [&](DrawingState& s) { s.alignment = c.Integer32(0); }); }},
    {"set_font_name", 1,
     [](DrawCall& c) { WithState(c, [&](DrawingState& s) { s.font.name = c.Text(0); }); }},
    {"draw_subimage", 4, DrawSubimage},
    {"draw_image", 3, DrawImage},
    {"draw_line", 4,
     [](DrawCall& c) {
         WithDrawing(c, [&](CDrawingUnit& d) {
             d.DrawLine(c.Number(0), c.Number(1), c.Number(2), c.Number(3));
         });
     }},
    {"draw_text", 3, DrawTextFunction},
    {"draw_circle", 3, DrawCircle},
    {"draw_ellipse", 4,
     [](DrawCall& c) {
         WithDrawing(c, [&](CDrawingUnit& d) {
             d.DrawEllipse(c.Number(0), c.Number(1), c.Number(2), c.Number(3));
         });
     }},
    {"draw_rectangle", 4,
     [](DrawCall& c) {
         WithDrawing(c, [&](CDrawingUnit& d) {
             d.DrawRectangle(c.Number(0), c.Number(1), c.Number(2), c.Number(3));
         });
     }},
    {"draw_roundrect", 4,
     [](DrawCall& c) {
         WithDrawing(c, [&](CDrawingUnit& d) {
             d.DrawRoundRect(c.Number(0), c.Number(1), c.Number(2), c.Number(3));
         });
     }},
    {"draw_triangle", 6,
     [](DrawCall& c) {
         WithDrawing(c, [&](CDrawingUnit& d) {
             d.DrawTriangle(c.Number(0), c.Number(1), c.Number(2), c.Number(3), c.Number(4),
                            c.Number(5));
         });
     }},
    {"draw_button", 5,
     [](DrawCall& c) {
         WithDrawing(c, [&](CDrawingUnit& d) {
             d.DrawButton(c.Number(0), c.Number(1), c.Number(2), c.Number(3), c.Integer(4) != 0);
         });
     }},
    {"string_width", 1, StringWidth},
    {"string_height", 1, StringHeight},
};

} // namespace

void RegisterDrawingFunctions(CFunctionRegistry& registry) {
    static_assert(std::size(kDrawingFunctions) == 26);
    RegisterTable<DrawCall, kDrawingFunctions>(registry);
}

} // namespace velkaro
