#include "codecs/WmfCairoDevice.h"

#include "base/AnsiText.h"
#include "base/Limits.h"
#include "codecs/GdiCairo.h"

#include <libwmf/api.h>
#include <libwmf/ipa.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <string>

namespace velkaro {
namespace {

// The values of the device context the records set, as the format defines them.
constexpr int kPenStyleMask = 0x000F;
constexpr int kBrushNull = 1;
constexpr int kBrushHatched = 2;
constexpr int kBrushPattern = 3;
constexpr int kBrushDibPattern = 5;
constexpr int kBrushDibPatternPt = 6;
constexpr int kOpaqueBackground = 2;
constexpr int kWindingFill = 2;
constexpr std::uint32_t kBlackness = 0x00000042;
constexpr std::uint32_t kWhiteness = 0x00FF0062;
constexpr std::uint32_t kPatternCopy = 0x00F00021;
constexpr int kFontBold = 600;

struct SurfaceRelease {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceRelease>;

WmfCairoTarget& TargetOf(wmfAPI* api) {
    return *static_cast<WmfCairoTarget*>(api->device_data);
}

double X(const WmfCairoTarget& t, double x) {
    return (x - t.left) * t.scaleX;
}

double Y(const WmfCairoTarget& t, double y) {
    return (y - t.top) * t.scaleY;
}

GdiColour ColourOf(const wmfRGB& rgb) {
    return {rgb.r / 255.0, rgb.g / 255.0, rgb.b / 255.0};
}

void SetColour(cairo_t* cairo, const wmfRGB& rgb) {
    SetSource(cairo, ColourOf(rgb));
}

// A bitmap of libwmf's as a Cairo surface, `crop` of it; none when the drawing's bitmaps are
// past their budget or Cairo cannot make the surface.
Surface BitmapSurface(wmfAPI* api, wmfBMP& bmp, unsigned x0, unsigned y0, unsigned width,
                      unsigned height) {
    WmfCairoTarget& target = TargetOf(api);
    const std::int64_t pixels = std::int64_t{width} * height;
    if (bmp.data == nullptr || width == 0 || height == 0 ||
        pixels > limits::kMetafileBitmapPixels - target.bitmapPixels) {
        return nullptr;
    }
    target.bitmapPixels += pixels;
    Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width),
                                               static_cast<int>(height)));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (unsigned y = 0; y < height; ++y) {
        auto* row =
            reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (unsigned x = 0; x < width; ++x) {
            wmfRGB rgb{};
            const int opacity = wmf_ipa_bmp_color(api, &bmp, &rgb, x0 + x, y0 + y);
            const std::uint32_t alpha =
                opacity < 0 ? 0 : static_cast<std::uint32_t>(std::min(opacity, 255));
            // Cairo keeps colours premultiplied by their alpha.
            const auto channel = [alpha](unsigned char c) { return c * alpha / 255; };
            row[x] = alpha << 24 | channel(rgb.r) << 16 | channel(rgb.g) << 8 | channel(rgb.b);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

// Sets the source to the brush of `dc`; false for the null brush.
bool UseBrush(wmfAPI* api, const wmfDC& dc) {
    cairo_t* cairo = TargetOf(api).cairo;
    const wmfBrush* brush = dc.brush;
    if (brush == nullptr || brush->lbStyle == kBrushNull) {
        return false;
    }
    cairo_set_fill_rule(cairo, dc.polyfillmode == kWindingFill ? CAIRO_FILL_RULE_WINDING
                                                               : CAIRO_FILL_RULE_EVEN_ODD);
    if (brush->lbStyle == kBrushHatched) {
        const std::optional<GdiColour> background =
            dc.bgmode == kOpaqueBackground ? std::optional(ColourOf(dc.bgcolor)) : std::nullopt;
        cairo_set_source(cairo,
                         HatchPattern(brush->lbHatch, ColourOf(brush->lbColor), background).get());
        return true;
    }
    if (brush->lbStyle == kBrushPattern || brush->lbStyle == kBrushDibPattern ||
        brush->lbStyle == kBrushDibPatternPt) {
        wmfBMP bmp = brush->bmp;
        if (Surface surface = BitmapSurface(api, bmp, 0, 0, bmp.width, bmp.height)) {
            const CairoPattern pattern(cairo_pattern_create_for_surface(surface.get()));
            cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_REPEAT);
            cairo_set_source(cairo, pattern.get());
            return true;
        }
    }
    // Solid, and patterns that could not be made: the brush's colour.
    SetColour(cairo, brush->lbColor);
    return true;
}

// Sets the source and line of the pen of `dc`; false for the null pen.
bool UsePen(wmfAPI* api, const wmfDC& dc) {
    const WmfCairoTarget& target = TargetOf(api);
    cairo_t* cairo = target.cairo;
    const wmfPen* pen = dc.pen;
    if (pen == nullptr || (pen->lopnStyle & kPenStyleMask) == kNullPenStyle) {
        return false;
    }
    SetColour(cairo, pen->lopnColor);
    // A pen of no width is one pixel wide whatever the scale.
    SetPenLine(cairo, pen->lopnStyle,
               std::max(pen->width * std::max(target.scaleX, target.scaleY), 1.0));
    return true;
}

// Fills the current path with the brush and strokes it with the pen, then clears it.
void FillAndStroke(wmfAPI* api, const wmfDC& dc) {
    cairo_t* cairo = TargetOf(api).cairo;
    if (UseBrush(api, dc)) {
        cairo_fill_preserve(cairo);
    }
    if (UsePen(api, dc)) {
        cairo_stroke_preserve(cairo);
    }
    cairo_new_path(cairo);
}

void AddPolygon(const WmfCairoTarget& t, const wmfD_Coord* points, unsigned count) {
    for (unsigned i = 0; i < count; ++i) {
        if (i == 0) {
            cairo_move_to(t.cairo, X(t, points[i].x), Y(t, points[i].y));
        } else {
            cairo_line_to(t.cairo, X(t, points[i].x), Y(t, points[i].y));
        }
    }
    if (count > 0) {
        cairo_close_path(t.cairo);
    }
}

enum class ArcKind { Open, Pie, Chord, Whole };

// An arc of the ellipse in the box from TL to BR, from the ray through `start` to the ray
// through `end`, counter-clockwise as the format draws them.
void AddArc(const WmfCairoTarget& t, const wmfDrawArc_t& arc, ArcKind kind) {
    const double left = X(t, arc.TL.x);
    const double top = Y(t, arc.TL.y);
    const double right = X(t, arc.BR.x);
    const double bottom = Y(t, arc.BR.y);
    const double cx = (left + right) / 2;
    const double cy = (top + bottom) / 2;
    const double rx = std::abs(right - left) / 2;
    const double ry = std::abs(bottom - top) / 2;
    if (rx <= 0 || ry <= 0 || !std::isfinite(rx) || !std::isfinite(ry)) {
        return;
    }
    cairo_t* cairo = t.cairo;
    if (kind == ArcKind::Whole) {
        cairo_save(cairo);
        cairo_translate(cairo, cx, cy);
        cairo_scale(cairo, rx, ry);
        cairo_new_sub_path(cairo);
        cairo_arc(cairo, 0, 0, 1, 0, 2 * std::numbers::pi);
        cairo_close_path(cairo);
        cairo_restore(cairo);
        return;
    }
    const auto angle = [&](const wmfD_Coord& p) {
        return std::atan2((Y(t, p.y) - cy) / ry, (X(t, p.x) - cx) / rx);
    };
    const double from = angle(arc.start);
    const double to = angle(arc.end);
    cairo_save(cairo);
    cairo_translate(cairo, cx, cy);
    cairo_scale(cairo, rx, ry);
    if (kind == ArcKind::Pie) {
        cairo_move_to(cairo, 0, 0);
    } else {
        cairo_new_sub_path(cairo);
    }
    // Counter-clockwise on the page is against Cairo's turn, its y axis pointing down.
    cairo_arc_negative(cairo, 0, 0, 1, from, to);
    if (kind != ArcKind::Open) {
        cairo_close_path(cairo);
    }
    cairo_restore(cairo);
}

// --- The device's entry points ------------------------------------------------------------------

void DeviceNothing(wmfAPI*) {}

void FloodNothing(wmfAPI*, wmfFlood_t*) {}

void UserDataNothing(wmfAPI*, wmfUserData_t*) {}

void DrawPixel(wmfAPI* api, wmfDrawPixel_t* pixel) {
    const WmfCairoTarget& t = TargetOf(api);
    SetColour(t.cairo, pixel->color);
    cairo_rectangle(t.cairo, X(t, pixel->pt.x), Y(t, pixel->pt.y),
                    std::max(pixel->pixel_width * t.scaleX, 1.0),
                    std::max(pixel->pixel_height * t.scaleY, 1.0));
    cairo_fill(t.cairo);
}

void DrawArc(wmfAPI* api, wmfDrawArc_t* arc) {
    const WmfCairoTarget& t = TargetOf(api);
    AddArc(t, *arc, ArcKind::Open);
    if (UsePen(api, *arc->dc)) {
        cairo_stroke(t.cairo);
    }
    cairo_new_path(t.cairo);
}

void DrawPie(wmfAPI* api, wmfDrawArc_t* arc) {
    AddArc(TargetOf(api), *arc, ArcKind::Pie);
    FillAndStroke(api, *arc->dc);
}

void DrawChord(wmfAPI* api, wmfDrawArc_t* arc) {
    AddArc(TargetOf(api), *arc, ArcKind::Chord);
    FillAndStroke(api, *arc->dc);
}

void DrawEllipse(wmfAPI* api, wmfDrawArc_t* arc) {
    AddArc(TargetOf(api), *arc, ArcKind::Whole);
    FillAndStroke(api, *arc->dc);
}

void DrawLine(wmfAPI* api, wmfDrawLine_t* line) {
    const WmfCairoTarget& t = TargetOf(api);
    if (UsePen(api, *line->dc)) {
        cairo_move_to(t.cairo, X(t, line->from.x), Y(t, line->from.y));
        cairo_line_to(t.cairo, X(t, line->to.x), Y(t, line->to.y));
        cairo_stroke(t.cairo);
    }
}

void PolyLine(wmfAPI* api, wmfPolyLine_t* line) {
    const WmfCairoTarget& t = TargetOf(api);
    if (line->count < 2 || !UsePen(api, *line->dc)) {
        return;
    }
    cairo_move_to(t.cairo, X(t, line->pt[0].x), Y(t, line->pt[0].y));
    for (unsigned i = 1; i < line->count; ++i) {
        cairo_line_to(t.cairo, X(t, line->pt[i].x), Y(t, line->pt[i].y));
    }
    cairo_stroke(t.cairo);
}

void DrawPolygon(wmfAPI* api, wmfPolyLine_t* polygon) {
    AddPolygon(TargetOf(api), polygon->pt, polygon->count);
    FillAndStroke(api, *polygon->dc);
}

void DrawPolyPolygon(wmfAPI* api, wmfPolyPoly_t* polygons) {
    for (unsigned i = 0; i < polygons->npoly; ++i) {
        AddPolygon(TargetOf(api), polygons->pt[i], polygons->count[i]);
    }
    FillAndStroke(api, *polygons->dc);
}

void DrawRectangle(wmfAPI* api, wmfDrawRectangle_t* rectangle) {
    const WmfCairoTarget& t = TargetOf(api);
    const double left = X(t, rectangle->TL.x);
    const double top = Y(t, rectangle->TL.y);
    const double right = X(t, rectangle->BR.x);
    const double bottom = Y(t, rectangle->BR.y);
    // Rounded corners: quarters of an ellipse of the given axes.
    const double rx =
        std::min(std::abs(rectangle->width * t.scaleX) / 2, std::abs(right - left) / 2);
    const double ry =
        std::min(std::abs(rectangle->height * t.scaleY) / 2, std::abs(bottom - top) / 2);
    if (rx > 0 && ry > 0) {
        const double x0 = std::min(left, right);
        const double y0 = std::min(top, bottom);
        const double x1 = std::max(left, right);
        const double y1 = std::max(top, bottom);
        cairo_t* cairo = t.cairo;
        const auto corner = [&](double cx, double cy, double from) {
            cairo_save(cairo);
            cairo_translate(cairo, cx, cy);
            cairo_scale(cairo, rx, ry);
            cairo_arc(cairo, 0, 0, 1, from, from + std::numbers::pi / 2);
            cairo_restore(cairo);
        };
        cairo_new_sub_path(cairo);
        corner(x1 - rx, y0 + ry, -std::numbers::pi / 2);
        corner(x1 - rx, y1 - ry, 0);
        corner(x0 + rx, y1 - ry, std::numbers::pi / 2);
        corner(x0 + rx, y0 + ry, std::numbers::pi);
        cairo_close_path(cairo);
    } else {
        cairo_rectangle(t.cairo, left, top, right - left, bottom - top);
    }
    FillAndStroke(api, *rectangle->dc);
}

void RopDraw(wmfAPI* api, wmfROP_Draw_t* rop) {
    const WmfCairoTarget& t = TargetOf(api);
    if (rop->ROP == kBlackness) {
        cairo_set_source_rgb(t.cairo, 0, 0, 0);
    } else if (rop->ROP == kWhiteness) {
        cairo_set_source_rgb(t.cairo, 1, 1, 1);
    } else if (rop->ROP != kPatternCopy || !UseBrush(api, *rop->dc)) {
        // Operations that mix with what is drawn already are left out.
        return;
    }
    cairo_rectangle(t.cairo, X(t, rop->TL.x), Y(t, rop->TL.y), (rop->BR.x - rop->TL.x) * t.scaleX,
                    (rop->BR.y - rop->TL.y) * t.scaleY);
    cairo_fill(t.cairo);
}

void BitmapDraw(wmfAPI* api, wmfBMP_Draw_t* draw) {
    const WmfCairoTarget& t = TargetOf(api);
    const Surface surface =
        BitmapSurface(api, draw->bmp, draw->crop.x, draw->crop.y, draw->crop.w, draw->crop.h);
    if (!surface) {
        return;
    }
    const double width = draw->crop.w * draw->pixel_width * t.scaleX;
    const double height = draw->crop.h * draw->pixel_height * t.scaleY;
    if (!(std::abs(width) > 0) || !(std::abs(height) > 0)) {
        return;
    }
    cairo_t* cairo = t.cairo;
    cairo_save(cairo);
    cairo_translate(cairo, X(t, draw->pt.x), Y(t, draw->pt.y));
    cairo_scale(cairo, width / draw->crop.w, height / draw->crop.h);
    cairo_set_source_surface(cairo, surface.get(), 0, 0);
    cairo_rectangle(cairo, 0, 0, draw->crop.w, draw->crop.h);
    cairo_fill(cairo);
    cairo_restore(cairo);
}

void BitmapRead(wmfAPI* api, wmfBMP_Read_t* read) {
    wmf_ipa_bmp_read(api, read);
}

void BitmapFree(wmfAPI* api, wmfBMP* bmp) {
    wmf_ipa_bmp_free(api, bmp);
}

void DrawText(wmfAPI* api, wmfDrawText_t* text) {
    const WmfCairoTarget& t = TargetOf(api);
    const wmfDC& dc = *text->dc;
    if (text->str == nullptr || dc.font == nullptr) {
        return;
    }
    cairo_t* cairo = t.cairo;
    if (dc.bgmode == kOpaqueBackground) {
        SetColour(cairo, dc.bgcolor);
        cairo_move_to(cairo, X(t, text->bbox.TL.x), Y(t, text->bbox.TL.y));
        cairo_line_to(cairo, X(t, text->bbox.TR.x), Y(t, text->bbox.TR.y));
        cairo_line_to(cairo, X(t, text->bbox.BR.x), Y(t, text->bbox.BR.y));
        cairo_line_to(cairo, X(t, text->bbox.BL.x), Y(t, text->bbox.BL.y));
        cairo_close_path(cairo);
        cairo_fill(cairo);
    }
    const wmfFont& font = *dc.font;
    const std::string face =
        font.lfFaceName != nullptr ? AnsiToUtf8(font.lfFaceName) : "sans-serif";
    cairo_select_font_face(
        cairo, face.c_str(), font.lfItalic != 0 ? CAIRO_FONT_SLANT_ITALIC : CAIRO_FONT_SLANT_NORMAL,
        font.lfWeight >= kFontBold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    const double size = text->font_height * t.scaleY;
    if (!(size > 0) || size > limits::kPictureSide) {
        return;
    }
    cairo_save(cairo);
    cairo_translate(cairo, X(t, text->pt.x), Y(t, text->pt.y));
    // The escapement turns the line counter-clockwise, in tenths of a degree.
    cairo_rotate(cairo, -font.lfEscapement / 10.0 * std::numbers::pi / 180);
    cairo_set_font_size(cairo, size);
    SetColour(cairo, dc.textcolor);
    cairo_move_to(cairo, 0, 0);
    cairo_show_text(cairo, AnsiToUtf8(text->str).c_str());
    cairo_restore(cairo);
}

void RegionFrame(wmfAPI* api, wmfPolyRectangle_t* region) {
    const WmfCairoTarget& t = TargetOf(api);
    if (!UseBrush(api, *region->dc)) {
        return;
    }
    const double w = std::max(region->width * t.scaleX, 1.0);
    const double h = std::max(region->height * t.scaleY, 1.0);
    for (unsigned i = 0; i < region->count; ++i) {
        const double left = X(t, region->TL[i].x);
        const double top = Y(t, region->TL[i].y);
        const double right = X(t, region->BR[i].x);
        const double bottom = Y(t, region->BR[i].y);
        cairo_rectangle(t.cairo, left, top, right - left, h);
        cairo_rectangle(t.cairo, left, bottom - h, right - left, h);
        cairo_rectangle(t.cairo, left, top, w, bottom - top);
        cairo_rectangle(t.cairo, right - w, top, w, bottom - top);
    }
    cairo_set_fill_rule(t.cairo, CAIRO_FILL_RULE_WINDING);
    cairo_fill(t.cairo);
}

void AddRegion(const WmfCairoTarget& t, const wmfPolyRectangle_t& region) {
    for (unsigned i = 0; i < region.count; ++i) {
        cairo_rectangle(t.cairo, X(t, region.TL[i].x), Y(t, region.TL[i].y),
                        (region.BR[i].x - region.TL[i].x) * t.scaleX,
                        (region.BR[i].y - region.TL[i].y) * t.scaleY);
    }
}

void RegionPaint(wmfAPI* api, wmfPolyRectangle_t* region) {
    const WmfCairoTarget& t = TargetOf(api);
    if (!UseBrush(api, *region->dc)) {
        return;
    }
    AddRegion(t, *region);
    cairo_set_fill_rule(t.cairo, CAIRO_FILL_RULE_WINDING);
    cairo_fill(t.cairo);
}

void RegionClip(wmfAPI* api, wmfPolyRectangle_t* region) {
    const WmfCairoTarget& t = TargetOf(api);
    cairo_reset_clip(t.cairo);
    if (region->count == 0) {
        return;
    }
    AddRegion(t, *region);
    cairo_set_fill_rule(t.cairo, CAIRO_FILL_RULE_WINDING);
    cairo_clip(t.cairo);
}

} // namespace

void WmfCairoDevice(wmfAPI* api) {
    auto* functions = static_cast<wmfFunctionReference*>(api->function_reference);
    functions->device_open = DeviceNothing;
    functions->device_close = DeviceNothing;
    functions->device_begin = DeviceNothing;
    functions->device_end = DeviceNothing;
    // Flood fills need the pixels drawn so far, which a drawing made by a program never does.
    functions->flood_interior = FloodNothing;
    functions->flood_exterior = FloodNothing;
    functions->draw_pixel = DrawPixel;
    functions->draw_pie = DrawPie;
    functions->draw_chord = DrawChord;
    functions->draw_arc = DrawArc;
    functions->draw_ellipse = DrawEllipse;
    functions->draw_line = DrawLine;
    functions->poly_line = PolyLine;
    functions->draw_polygon = DrawPolygon;
    functions->draw_polypolygon = DrawPolyPolygon;
    functions->draw_rectangle = DrawRectangle;
    functions->rop_draw = RopDraw;
    functions->bmp_draw = BitmapDraw;
    functions->bmp_read = BitmapRead;
    functions->bmp_free = BitmapFree;
    functions->draw_text = DrawText;
    functions->udata_init = UserDataNothing;
    functions->udata_copy = UserDataNothing;
    functions->udata_set = UserDataNothing;
    functions->udata_free = UserDataNothing;
    functions->region_frame = RegionFrame;
    functions->region_paint = RegionPaint;
    functions->region_clip = RegionClip;
    // Allocated through the API, which frees it with everything else it holds.
    void* target = wmf_calloc(api, 1, sizeof(WmfCairoTarget));
    if (target != nullptr) {
        api->device_data = new (target) WmfCairoTarget;
    }
}

} // namespace velkaro
