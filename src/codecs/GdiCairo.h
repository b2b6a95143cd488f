#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <optional>

namespace velkaro {

// What the two kinds of Windows metafile share when drawn with Cairo: colours as the files
// store them, pen lines and hatched brushes.

struct GdiColour {
    double r = 0;
    double g = 0;
    double b = 0;
};

// A COLORREF: 0x00BBGGRR.
GdiColour ColourOfRef(std::uint32_t colorref);

void SetSource(cairo_t* cairo, const GdiColour& colour);

// The pen style's number that draws nothing.
constexpr int kNullPenStyle = 5;

// Sets the line of a pen of `style` (its dash, end caps and joins, as the style's bits say) and
// `width` in Cairo's user units.
void SetPenLine(cairo_t* cairo, int style, double width);

struct PatternRelease {
    void operator()(cairo_pattern_t* pattern) const { cairo_pattern_destroy(pattern); }
};
using CairoPattern = std::unique_ptr<cairo_pattern_t, PatternRelease>;

// The eight by eight pixel pattern of hatch style `hatch` (horizontal, vertical, the two
// diagonals, cross, diagonal cross), in `line` over `background`, or over nothing when the
// background is transparent; repeated.
CairoPattern HatchPattern(int hatch, const GdiColour& line,
                          const std::optional<GdiColour>& background);

} // namespace velkaro
