#include "codecs/GdiCairo.h"

#include <array>

namespace velkaro {
namespace {

constexpr int kStyleMask = 0x000F;
constexpr int kDash = 1;
constexpr int kDot = 2;
constexpr int kDashDot = 3;
constexpr int kDashDotDot = 4;
constexpr int kCapMask = 0x0F00;
constexpr int kCapSquare = 0x0100;
constexpr int kCapFlat = 0x0200;
constexpr int kJoinMask = 0xF000;
constexpr int kJoinBevel = 0x1000;
constexpr int kJoinMiter = 0x2000;

struct SurfaceRelease {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};

} // namespace

GdiColour ColourOfRef(std::uint32_t colorref) {
    return {(colorref & 0xFF) / 255.0, (colorref >> 8 & 0xFF) / 255.0,
            (colorref >> 16 & 0xFF) / 255.0};
}

void SetSource(cairo_t* cairo, const GdiColour& colour) {
    cairo_set_source_rgb(cairo, colour.r, colour.g, colour.b);
}

void SetPenLine(cairo_t* cairo, int style, double width) {
    cairo_set_line_width(cairo, width);
    const int cap = style & kCapMask;
    cairo_set_line_cap(cairo, cap == kCapFlat     ? CAIRO_LINE_CAP_BUTT
                              : cap == kCapSquare ? CAIRO_LINE_CAP_SQUARE
                                                  : CAIRO_LINE_CAP_ROUND);
    const int join = style & kJoinMask;
    cairo_set_line_join(cairo, join == kJoinBevel   ? CAIRO_LINE_JOIN_BEVEL
                               : join == kJoinMiter ? CAIRO_LINE_JOIN_MITER
                                                    : CAIRO_LINE_JOIN_ROUND);
    const double dash = 3 * width;
    const double dot = width;
    switch (style & kStyleMask) {
    case kDash: {
        const std::array<double, 2> pattern = {dash, dot};
        cairo_set_dash(cairo, pattern.data(), pattern.size(), 0);
        break;
    }
    case kDot: {
        const std::array<double, 2> pattern = {dot, dot};
        cairo_set_dash(cairo, pattern.data(), pattern.size(), 0);
        break;
    }
    case kDashDot: {
        const std::array<double, 4> pattern = {dash, dot, dot, dot};
        cairo_set_dash(cairo, pattern.data(), pattern.size(), 0);
        break;
    }
    case kDashDotDot: {
        const std::array<double, 6> pattern = {dash, dot, dot, dot, dot, dot};
        cairo_set_dash(cairo, pattern.data(), pattern.size(), 0);
        break;
    }
    default:
        cairo_set_dash(cairo, nullptr, 0, 0);
        break;
    }
}

CairoPattern HatchPattern(int hatch, const GdiColour& line,
                          const std::optional<GdiColour>& background) {
    const std::unique_ptr<cairo_surface_t, SurfaceRelease> surface(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8));
    cairo_t* cairo = cairo_create(surface.get());
    if (background) {
        SetSource(cairo, *background);
        cairo_paint(cairo);
    }
    SetSource(cairo, line);
    cairo_set_line_width(cairo, 1);
    if (hatch == 0 || hatch == 4) { // horizontal, cross
        cairo_move_to(cairo, 0, 3.5);
        cairo_line_to(cairo, 8, 3.5);
    }
    if (hatch == 1 || hatch == 4) { // vertical, cross
        cairo_move_to(cairo, 3.5, 0);
        cairo_line_to(cairo, 3.5, 8);
    }
    if (hatch == 2 || hatch == 5) { // down to the right, diagonal cross
        cairo_move_to(cairo, 0, 0);
        cairo_line_to(cairo, 8, 8);
    }
    if (hatch == 3 || hatch == 5) { // up to the right, diagonal cross
        cairo_move_to(cairo, 0, 8);
        cairo_line_to(cairo, 8, 0);
    }
    cairo_stroke(cairo);
    cairo_destroy(cairo);
    CairoPattern pattern(cairo_pattern_create_for_surface(surface.get()));
    cairo_pattern_set_extend(pattern.get(), CAIRO_EXTEND_REPEAT);
    return pattern;
}

} // namespace velkaro
