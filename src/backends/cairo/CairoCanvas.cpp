#include "backends/cairo/CairoCanvas.h"

#include "base/AnsiText.h"
#include "base/FontFamilies.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <numbers>
#include <utility>
#include <vector>

namespace velkaro {
namespace {

constexpr Pixel kOpaque = 0xFF000000u;
constexpr Pixel kRgb = 0x00FFFFFFu;

// GDI's six hatch styles, one 8 x 8 tile each, rows from the top, the most significant bit the
// leftmost pixel. Indexed by BrushStyle; clear and solid have none.
using HatchRows = std::array<std::uint8_t, 8>;
constexpr std::array<HatchRows, 8> kHatches = {{
    {},
    {},
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}, // "/": x + y = 7
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, // "\": x = y
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0xFF}, // column 4 and row 7
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}, // both diagonals
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF}, // row 7
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08}, // column 4
}};

bool IsHatch(BrushStyle style) {
    return style != BrushStyle::Clear && style != BrushStyle::Solid;
}

// Windows' MulDiv: rounded half away from zero.
std::int64_t MulDiv(std::int64_t value, std::int64_t numerator, std::int64_t denominator) {
    const std::int64_t product = value * numerator;
    const std::int64_t half = denominator / 2;
    return product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
}

constexpr int kDefaultPoints = 10;
// Far beyond any readable size; keeps a wild size from asking for gigantic glyphs.
constexpr int kLargestFontPixels = 2048;
constexpr double kPi = std::numbers::pi;

// Upright text has no grey edges: every pixel of a letter is exactly the font's colour, as the
// unsmoothed fonts of the games' time drew it, and it stays crisp when the window is enlarged.
// Letters turned by anything but quarter turns fall apart without smoothing, so they get grey
// edges.
constexpr cairo_antialias_t kUprightTextAntialias = CAIRO_ANTIALIAS_NONE;
constexpr cairo_antialias_t kSlantedTextAntialias = CAIRO_ANTIALIAS_GRAY;

// Rounds a / n (n > 0) to the nearest whole number, halves upwards.
std::int64_t RoundedQuotient(__int128 a, std::int64_t n) {
    const __int128 twice = 2 * a + n;
    const __int128 d = 2 * static_cast<__int128>(n);
    __int128 q = twice / d;
    if (twice % d != 0 && twice < 0) {
        --q;
    }
    return static_cast<std::int64_t>(q);
}

void EllipticArc(cairo_t* cr, double cx, double cy, double rx, double ry, double from, double to) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_arc(cr, 0, 0, 1, from, to);
    cairo_restore(cr);
}

struct Box {
    int left;
    int top;
    int right;
    int bottom;
    std::int64_t Width() const { return std::int64_t{right} - left; }
    std::int64_t Height() const { return std::int64_t{bottom} - top; }
    bool Empty() const { return right <= left || bottom <= top; }
};

Box Normalized(int x1, int y1, int x2, int y2) {
    return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

// The two keys a drawn pixel's colour is compared with; with fewer colours a key repeats or
// lies outside the 24 bits a colour can have.
struct TransparencyKeys {
    Pixel first;
    Pixel second;
    bool any;
};

TransparencyKeys KeysOf(const TransparentColours& colours) {
    switch (colours.Count()) {
    case 0:
        return {kOpaque, kOpaque, false};
    case 1: {
        const Pixel key = PixelFromColour(colours.First()) & kRgb;
        return {key, key, true};
    }
    default:
        return {PixelFromColour(colours.First()) & kRgb, PixelFromColour(colours.Second()) & kRgb,
                true};
    }
}

// The sprite loop: the one place where frame time goes, so it stays plain enough for the
// compiler to vectorise.
void CopyRow(const Pixel* source, Pixel* target, int count, const TransparencyKeys& keys) {
    if (!keys.any) {
        for (int i = 0; i < count; ++i) {
            target[i] = source[i] | kOpaque;
        }
        return;
    }
    for (int i = 0; i < count; ++i) {
        const Pixel p = source[i];
        const Pixel rgb = p & kRgb;
        target[i] = (rgb == keys.first || rgb == keys.second) ? target[i] : p | kOpaque;
    }
}

// Which source pixel a target pixel shows when `sourceSize` pixels are stretched over
// `targetSize`: the one under the target pixel's centre, as a stretch without smoothing picks.
int SourceIndex(std::int64_t target, std::int64_t targetSize, int sourceSize, bool mirrored) {
    const auto index = static_cast<int>((2 * target + 1) * sourceSize / (2 * targetSize));
    return mirrored ? sourceSize - 1 - index : index;
}

} // namespace

class CairoCanvas::DirectAccess {
public:
    explicit DirectAccess(cairo_surface_t* surface) : surface_(surface) {
        cairo_surface_flush(surface_);
    }
    ~DirectAccess() { cairo_surface_mark_dirty(surface_); }
    DirectAccess(const DirectAccess&) = delete;
    DirectAccess& operator=(const DirectAccess&) = delete;

private:
    cairo_surface_t* surface_;
};

std::unique_ptr<Canvas> MakeCanvas(int width, int height) {
    return std::make_unique<CairoCanvas>(width, height);
}

CairoCanvas::CairoCanvas(int width, int height)
    : bitmap_(width > 0 && height > 0 ? width : 0, width > 0 && height > 0 ? height : 0, kOpaque) {
    // Cairo draws straight into the bitmap: a 32-bit row is always exactly width * 4 bytes.
    if (bitmap_.Empty()) {
        surface_.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 0, 0));
    } else {
        surface_.reset(cairo_image_surface_create_for_data(
            reinterpret_cast<unsigned char*>(bitmap_.Row(0)), CAIRO_FORMAT_ARGB32, bitmap_.Width(),
            bitmap_.Height(), bitmap_.Width() * 4));
    }
    cairo_.reset(cairo_create(surface_.get()));
    cairo_set_antialias(cairo_.get(), CAIRO_ANTIALIAS_NONE);
    cairo_set_fill_rule(cairo_.get(), CAIRO_FILL_RULE_EVEN_ODD);

    upright_ = MakeLayout(kUprightTextAntialias);
}

CairoCanvas::~CairoCanvas() = default;

const Bitmap& CairoCanvas::Pixels() const {
    cairo_surface_flush(surface_.get());
    return bitmap_;
}

// ---- Pixels set directly ----

void CairoCanvas::PutPixel(int x, int y, Pixel colour) {
    if (bitmap_.Contains(x, y)) {
        bitmap_.At(x, y) = colour;
    }
}

void CairoCanvas::HorizontalRun(int left, int right, int y, Pixel colour) {
    if (y < 0 || y >= Height()) {
        return;
    }
    left = std::max(left, 0);
    right = std::min(right, Width());
    if (left < right) {
        std::fill(bitmap_.Row(y) + left, bitmap_.Row(y) + right, colour);
    }
}

void CairoCanvas::VerticalRun(int x, int top, int bottom, Pixel colour) {
    if (x < 0 || x >= Width()) {
        return;
    }
    for (int y = std::max(top, 0); y < std::min(bottom, Height()); ++y) {
        bitmap_.At(x, y) = colour;
    }
}

void CairoCanvas::ThinLine(int x1, int y1, int x2, int y2, Pixel colour) {
    // Each pixel is worked out from its place along the line rather than stepped to, so that
    // only the part inside the picture is visited, however far away the ends are.
    const std::int64_t dx = std::int64_t{x2} - x1;
    const std::int64_t dy = std::int64_t{y2} - y1;
    const bool alongX = std::llabs(dx) >= std::llabs(dy);
    const std::int64_t steps = alongX ? std::llabs(dx) : std::llabs(dy);
    if (steps == 0) {
        return;
    }
    const std::int64_t start = alongX ? x1 : y1;
    const std::int64_t direction = (alongX ? dx : dy) > 0 ? 1 : -1;
    const std::int64_t minorStart = alongX ? y1 : x1;
    const std::int64_t minorDelta = alongX ? dy : dx;
    const std::int64_t limit = alongX ? Width() : Height();

    // Steps i with start + direction * i inside 0..limit-1, and before the end point.
    std::int64_t first = direction > 0 ? -start : start - (limit - 1);
    std::int64_t last = direction > 0 ? limit - 1 - start : start;
    first = std::max<std::int64_t>(first, 0);
    last = std::min(last, steps - 1);
    for (std::int64_t i = first; i <= last; ++i) {
        const std::int64_t major = start + direction * i;
        const std::int64_t minor =
            minorStart + RoundedQuotient(static_cast<__int128>(i) * minorDelta, steps);
        if (minor < std::numeric_limits<int>::min() || minor > std::numeric_limits<int>::max()) {
            continue;
        }
        const auto a = static_cast<int>(major);
        const auto b = static_cast<int>(minor);
        PutPixel(alongX ? a : b, alongX ? b : a, colour);
    }
}

void CairoCanvas::FillBoxWithBrush(int left, int top, int right, int bottom) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, Width());
    bottom = std::min(bottom, Height());
    if (brush_.style == BrushStyle::Clear || left >= right || top >= bottom) {
        return;
    }
    const Pixel colour = PixelFromColour(brush_.colour);
    if (brush_.style == BrushStyle::Solid) {
        for (int y = top; y < bottom; ++y) {
            std::fill(bitmap_.Row(y) + left, bitmap_.Row(y) + right, colour);
        }
        return;
    }
    const HatchRows& hatch = kHatches[static_cast<std::size_t>(brush_.style)];
    for (int y = top; y < bottom; ++y) {
        const unsigned bits = hatch[static_cast<std::size_t>(y & 7)];
        if (bits == 0) {
            continue;
        }
        Pixel* row = bitmap_.Row(y);
        for (int x = left; x < right; ++x) {
            if ((bits >> (7 - (x & 7)) & 1u) != 0) {
                row[x] = colour;
            }
        }
    }
}

void CairoCanvas::Fill(Colour colour) {
    if (bitmap_.Empty()) {
        return;
    }
    DirectAccess access(surface_.get());
    const Pixel p = PixelFromColour(colour);
    std::fill(bitmap_.Row(0), bitmap_.Row(0) + bitmap_.Pixels().size(), p);
}

void CairoCanvas::FillRect(int x1, int y1, int x2, int y2) {
    const Box box = Normalized(x1, y1, x2, y2);
    DirectAccess access(surface_.get());
    FillBoxWithBrush(box.left, box.top, box.right, box.bottom);
}

// ---- Brush and pen through Cairo ----

void CairoCanvas::SetBrush(const Brush& brush) {
    if (brush != brush_) {
        brush_ = brush;
        hatch_.reset();
    }
}

void CairoCanvas::SetSourceColour(Colour colour) {
    cairo_set_source_rgb(cairo_.get(), (colour & 0xFF) / 255.0, (colour >> 8 & 0xFF) / 255.0,
                         (colour >> 16 & 0xFF) / 255.0);
}

cairo_pattern_t* CairoCanvas::HatchPattern() {
    if (hatch_) {
        return hatch_.get();
    }
    cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
    cairo_surface_flush(tile);
    unsigned char* data = cairo_image_surface_get_data(tile);
    const int stride = cairo_image_surface_get_stride(tile);
    const HatchRows& hatch = kHatches[static_cast<std::size_t>(brush_.style)];
    const Pixel colour = PixelFromColour(brush_.colour);
    for (int y = 0; y < 8 && data != nullptr; ++y) {
        auto* row = reinterpret_cast<Pixel*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < 8; ++x) {
            // Fully transparent between the lines: what is under them stays.
            row[x] = (hatch[static_cast<std::size_t>(y)] >> (7 - x) & 1u) != 0 ? colour : 0;
        }
    }
    cairo_surface_mark_dirty(tile);
    hatch_.reset(cairo_pattern_create_for_surface(tile));
    cairo_surface_destroy(tile);
    cairo_pattern_set_extend(hatch_.get(), CAIRO_EXTEND_REPEAT);
    cairo_pattern_set_filter(hatch_.get(), CAIRO_FILTER_NEAREST);
    return hatch_.get();
}

void CairoCanvas::SetSourceBrush() {
    if (IsHatch(brush_.style)) {
        cairo_set_source(cairo_.get(), HatchPattern());
    } else {
        SetSourceColour(brush_.colour);
    }
}

void CairoCanvas::ThinOutlineOfPath() {
    cairo_path_t* path = cairo_copy_path_flat(cairo_.get());
    cairo_new_path(cairo_.get());
    const Pixel colour = PixelFromColour(pen_.colour);
    {
        DirectAccess access(surface_.get());
        int startX = 0;
        int startY = 0;
        int atX = 0;
        int atY = 0;
        for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
            const cairo_path_data_t& item = path->data[i];
            if (item.header.type == CAIRO_PATH_CLOSE_PATH) {
                ThinLine(atX, atY, startX, startY, colour);
                atX = startX;
                atY = startY;
                continue;
            }
            // The path runs through pixel centres, so the pixel is the one the point lies in.
            const auto x = static_cast<int>(std::floor(path->data[i + 1].point.x));
            const auto y = static_cast<int>(std::floor(path->data[i + 1].point.y));
            if (item.header.type == CAIRO_PATH_MOVE_TO) {
                startX = x;
                startY = y;
            } else {
                ThinLine(atX, atY, x, y, colour);
            }
            // Shapes shrunk to a single point still show it.
            PutPixel(x, y, colour);
            atX = x;
            atY = y;
        }
    }
    cairo_path_destroy(path);
}

template <typename BuildPath> void CairoCanvas::StrokeWide(const BuildPath& build) {
    cairo_t* cr = cairo_.get();
    cairo_save(cr);
    if (pen_.width % 2 == 0) {
        // An even pen centred on pixel centres would end exactly on the next pixels' centres,
        // where Cairo could go either way; centred on pixel corners it covers whole pixels.
        cairo_translate(cr, -0.5, -0.5);
    }
    build();
    cairo_restore(cr);
    SetSourceColour(pen_.colour);
    cairo_set_line_width(cr, pen_.width);
    // Wide GDI pens have round ends and joins.
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

template <typename BuildPath> void CairoCanvas::DrawClosedShape(const BuildPath& build) {
    if (brush_.style != BrushStyle::Clear) {
        build();
        SetSourceBrush();
        cairo_fill(cairo_.get());
    }
    if (ThinPen()) {
        build();
        ThinOutlineOfPath();
    } else {
        StrokeWide(build);
    }
}

// ---- Shapes ----

void CairoCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    const Box box = Normalized(x1, y1, x2, y2);
    if (box.Empty()) {
        return;
    }
    {
        DirectAccess access(surface_.get());
        FillBoxWithBrush(box.left, box.top, box.right, box.bottom);
        if (ThinPen()) {
            const Pixel colour = PixelFromColour(pen_.colour);
            HorizontalRun(box.left, box.right, box.top, colour);
            HorizontalRun(box.left, box.right, box.bottom - 1, colour);
            VerticalRun(box.left, box.top, box.bottom, colour);
            VerticalRun(box.right - 1, box.top, box.bottom, colour);
            return;
        }
    }
    StrokeWide([&] {
        cairo_rectangle(cairo_.get(), box.left + 0.5, box.top + 0.5, box.Width() - 1,
                        box.Height() - 1);
    });
}

void CairoCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    const Box box = Normalized(x1, y1, x2, y2);
    if (box.Empty()) {
        return;
    }
    if (box.Width() == 1 || box.Height() == 1) {
        // A line of pixels; Cairo cannot scale a circle to no width.
        Rectangle(box.left, box.top, box.right, box.bottom);
        return;
    }
    DrawClosedShape([&] {
        cairo_new_sub_path(cairo_.get());
        EllipticArc(cairo_.get(), box.left + box.Width() / 2.0, box.top + box.Height() / 2.0,
                    (box.Width() - 1) / 2.0, (box.Height() - 1) / 2.0, 0, 2 * kPi);
        cairo_close_path(cairo_.get());
    });
}

void CairoCanvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) {
    const Box box = Normalized(x1, y1, x2, y2);
    if (box.Empty()) {
        return;
    }
    // The corner's quarter ellipse runs through the centres of its outermost pixels.
    const double rx = (std::min<std::int64_t>(std::llabs(cornerWidth), box.Width()) - 1) / 2.0;
    const double ry = (std::min<std::int64_t>(std::llabs(cornerHeight), box.Height()) - 1) / 2.0;
    if (box.Width() == 1 || box.Height() == 1 || rx <= 0 || ry <= 0) {
        Rectangle(box.left, box.top, box.right, box.bottom);
        return;
    }
    const double left = box.left + 0.5;
    const double top = box.top + 0.5;
    const double right = box.right - 0.5;
    const double bottom = box.bottom - 0.5;
    DrawClosedShape([&] {
        cairo_t* cr = cairo_.get();
        cairo_new_sub_path(cr);
        EllipticArc(cr, right - rx, top + ry, rx, ry, -kPi / 2, 0);
        EllipticArc(cr, right - rx, bottom - ry, rx, ry, 0, kPi / 2);
        EllipticArc(cr, left + rx, bottom - ry, rx, ry, kPi / 2, kPi);
        EllipticArc(cr, left + rx, top + ry, rx, ry, kPi, 3 * kPi / 2);
        cairo_close_path(cr);
    });
}

void CairoCanvas::Polygon(std::span<const CanvasPoint> points) {
    if (points.size() < 2) {
        return;
    }
    DrawClosedShape([&] {
        cairo_t* cr = cairo_.get();
        cairo_move_to(cr, points[0].x + 0.5, points[0].y + 0.5);
        for (std::size_t i = 1; i < points.size(); ++i) {
            cairo_line_to(cr, points[i].x + 0.5, points[i].y + 0.5);
        }
        cairo_close_path(cr);
    });
}

void CairoCanvas::Line(int x1, int y1, int x2, int y2) {
    const std::array<CanvasPoint, 2> ends = {{{x1, y1}, {x2, y2}}};
    Polyline(ends);
}

void CairoCanvas::Polyline(std::span<const CanvasPoint> points) {
    if (points.size() < 2) {
        return;
    }
    if (ThinPen()) {
        DirectAccess access(surface_.get());
        const Pixel colour = PixelFromColour(pen_.colour);
        for (std::size_t i = 1; i < points.size(); ++i) {
            ThinLine(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y, colour);
        }
        return;
    }
    StrokeWide([&] {
        cairo_t* cr = cairo_.get();
        cairo_move_to(cr, points[0].x + 0.5, points[0].y + 0.5);
        for (std::size_t i = 1; i < points.size(); ++i) {
            cairo_line_to(cr, points[i].x + 0.5, points[i].y + 0.5);
        }
    });
}

// ---- Text ----

CairoCanvas::TextLayout CairoCanvas::MakeLayout(cairo_antialias_t antialias) {
    TextLayout made;
    if (!fontMap_) {
        fontMap_.reset(pango_cairo_font_map_new());
    }
    made.context.reset(pango_font_map_create_context(fontMap_.get()));
    pango_cairo_update_context(cairo_.get(), made.context.get());
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, antialias);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
    // Whole-pixel advances, as GDI measures text.
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    pango_cairo_context_set_font_options(made.context.get(), options);
    cairo_font_options_destroy(options);
    pango_context_set_language(made.context.get(), pango_language_from_string("en"));
    pango_context_set_base_dir(made.context.get(), PANGO_DIRECTION_LTR);

    made.layout.reset(pango_layout_new(made.context.get()));
    pango_layout_set_auto_dir(made.layout.get(), FALSE);
    // One line whatever the text holds, as text output on Windows draws it.
    pango_layout_set_single_paragraph_mode(made.layout.get(), TRUE);
    return made;
}

void CairoCanvas::SetFont(const Font& font) {
    if (font != font_) {
        font_ = font;
        fontPrepared_ = false;
    }
}

CairoCanvas::FontMetrics CairoCanvas::LoadMetrics(PangoFontDescription* description) {
    FontMetrics result;
    PangoFont* loaded = pango_context_load_font(upright_.context.get(), description);
    if (loaded == nullptr) {
        return result;
    }
    PangoFontMetrics* metrics = pango_font_get_metrics(loaded, nullptr);
    const auto pixels = [](int units) { return units / double{PANGO_SCALE}; };
    result.ascent = pixels(pango_font_metrics_get_ascent(metrics));
    result.descent = pixels(pango_font_metrics_get_descent(metrics));
    result.underlineTop = -pixels(pango_font_metrics_get_underline_position(metrics));
    result.underlineThickness = pixels(pango_font_metrics_get_underline_thickness(metrics));
    result.strikeOutTop = -pixels(pango_font_metrics_get_strikethrough_position(metrics));
    result.strikeOutThickness = pixels(pango_font_metrics_get_strikethrough_thickness(metrics));
    pango_font_metrics_unref(metrics);
    g_object_unref(loaded);
    return result;
}

void CairoCanvas::PrepareFont() {
    if (fontPrepared_) {
        return;
    }
    fontDescription_.reset(pango_font_description_new());
    PangoFontDescription* description = fontDescription_.get();
    pango_font_description_set_family(description, FontFamilyList(AnsiToUtf8(font_.name)).c_str());
    pango_font_description_set_weight(description,
                                      font_.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description,
                                     font_.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);

    // Windows asks for -MulDiv(size, 96, 72) pixels of character height, which is Pango's
    // absolute size; a positive height there (a negative size here) means the whole cell.
    const std::int64_t points = font_.size == 0 ? kDefaultPoints : font_.size;
    const auto pixels = static_cast<int>(
        std::clamp<std::int64_t>(MulDiv(std::llabs(points), 96, 72), 1, kLargestFontPixels));
    pango_font_description_set_absolute_size(description,
                                             static_cast<double>(pixels) * PANGO_SCALE);
    FontMetrics metrics = LoadMetrics(description);
    const double cell = metrics.ascent + metrics.descent;
    if (points < 0 && cell > 0) {
        const double em = std::max(1.0, std::round(pixels * pixels / cell));
        pango_font_description_set_absolute_size(description, em * PANGO_SCALE);
        metrics = LoadMetrics(description);
    }
    // Hinted metrics come in whole pixels, rounded up so that the hinted letters fit.
    ascent_ = static_cast<int>(std::lround(metrics.ascent));
    descent_ = static_cast<int>(std::lround(metrics.descent));
    // Lines are whole pixels, at least one: Pango's own would be thinner than a pixel at
    // small sizes and vanish without antialiasing.
    const auto line = [](double top, double thickness) {
        return TextLine{static_cast<int>(std::lround(top)),
                        static_cast<int>(std::max(1L, std::lround(thickness)))};
    };
    underline_ = line(metrics.underlineTop, metrics.underlineThickness);
    strikeOut_ = line(metrics.strikeOutTop, metrics.strikeOutThickness);

    upright_.fontCurrent = false;
    slanted_.fontCurrent = false;
    fontPrepared_ = true;
}

PangoLayout* CairoCanvas::LayoutFor(std::string_view text, bool slanted) {
    PrepareFont();
    if (slanted && !slanted_.layout) {
        slanted_ = MakeLayout(kSlantedTextAntialias);
    }
    TextLayout& chosen = slanted ? slanted_ : upright_;
    if (!chosen.fontCurrent) {
        pango_layout_set_font_description(chosen.layout.get(), fontDescription_.get());
        chosen.fontCurrent = true;
    }
    // Pango takes no NUL inside a text; a game's text ends there anyway.
    text = text.substr(0, text.find('\0'));
    std::string utf8 = AnsiToUtf8(text);
    if (utf8 != chosen.text) {
        chosen.text = std::move(utf8);
        pango_layout_set_text(chosen.layout.get(), chosen.text.data(),
                              static_cast<int>(chosen.text.size()));
    }
    return chosen.layout.get();
}

int CairoCanvas::TextWidth(std::string_view text) {
    PangoLayout* layout = LayoutFor(text, false);
    if (upright_.text.empty()) {
        return 0;
    }
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    return PANGO_PIXELS(logical.width);
}

int CairoCanvas::TextHeight(std::string_view /*text*/) {
    PrepareFont();
    return ascent_ + descent_;
}

void CairoCanvas::Text(int x, int y, std::string_view text, int angleTenths) {
    const bool slanted = angleTenths % 900 != 0;
    PangoLayout* layout = LayoutFor(text, slanted);
    if (pango_layout_get_character_count(layout) == 0) {
        return;
    }
    cairo_t* cr = cairo_.get();
    cairo_save(cr);
    cairo_translate(cr, x, y);
    if (angleTenths % 3600 != 0) {
        // Counter-clockwise on the screen, where y points down.
        cairo_rotate(cr, -angleTenths * kPi / 1800.0);
    }
    // The layout stays shaped for upright text, so turned text keeps the measured advances.
    cairo_move_to(cr, 0, ascent_);
    SetSourceColour(font_.colour);
    pango_cairo_show_layout_line(cr, pango_layout_get_line_readonly(layout, 0));
    if (font_.underline || font_.strikeOut) {
        const int width = TextWidth(text);
        for (const auto& [wanted, line] :
             {std::pair{font_.underline, underline_}, std::pair{font_.strikeOut, strikeOut_}}) {
            if (wanted) {
                cairo_rectangle(cr, 0, ascent_ + line.top, width, line.thickness);
            }
        }
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void CairoCanvas::TextOnBackground(int x, int y, std::string_view text, Colour background) {
    const int width = TextWidth(text);
    const int height = TextHeight(text);
    {
        DirectAccess access(surface_.get());
        const Pixel colour = PixelFromColour(background);
        const auto right =
            static_cast<int>(std::min<std::int64_t>(std::int64_t{x} + width, Width()));
        const auto bottom = std::min<std::int64_t>(std::int64_t{y} + height, Height());
        for (std::int64_t row = std::max(y, 0); row < bottom; ++row) {
            HorizontalRun(x, right, static_cast<int>(row), colour);
        }
    }
    Text(x, y, text);
}

// ---- Bitmaps ----

void CairoCanvas::DrawBitmap(const Bitmap& bitmap, int x, int y, TransparentColours transparent) {
    if (&bitmap == &bitmap_) {
        const Bitmap copy = bitmap_;
        DrawBitmap(copy, x, y, transparent);
        return;
    }
    const std::int64_t skipX = std::max<std::int64_t>(0, -std::int64_t{x});
    const std::int64_t skipY = std::max<std::int64_t>(0, -std::int64_t{y});
    const std::int64_t columns =
        std::min<std::int64_t>(bitmap.Width() - skipX, Width() - (x + skipX));
    const std::int64_t rows =
        std::min<std::int64_t>(bitmap.Height() - skipY, Height() - (y + skipY));
    if (columns <= 0 || rows <= 0) {
        return;
    }
    const TransparencyKeys keys = KeysOf(transparent);
    DirectAccess access(surface_.get());
    for (std::int64_t r = 0; r < rows; ++r) {
        const Pixel* source = bitmap.Row(static_cast<int>(skipY + r)) + skipX;
        Pixel* target = bitmap_.Row(static_cast<int>(y + skipY + r)) + (x + skipX);
        CopyRow(source, target, static_cast<int>(columns), keys);
    }
}

void CairoCanvas::StretchBitmap(const Bitmap& bitmap, int x1, int y1, int x2, int y2,
                                TransparentColours transparent) {
    if (&bitmap == &bitmap_) {
        const Bitmap copy = bitmap_;
        StretchBitmap(copy, x1, y1, x2, y2, transparent);
        return;
    }
    const Box box = Normalized(x1, y1, x2, y2);
    if (box.Empty() || bitmap.Empty()) {
        return;
    }
    const bool mirrorX = x2 < x1;
    const bool mirrorY = y2 < y1;
    const std::int64_t targetWidth = std::int64_t{box.right} - box.left;
    const std::int64_t targetHeight = std::int64_t{box.bottom} - box.top;
    const int left = std::max(box.left, 0);
    const int right = std::min(box.right, Width());
    const int top = std::max(box.top, 0);
    const int bottom = std::min(box.bottom, Height());
    if (left >= right || top >= bottom) {
        return;
    }
    std::vector<int> sourceColumn(static_cast<std::size_t>(right - left));
    for (int x = left; x < right; ++x) {
        sourceColumn[static_cast<std::size_t>(x - left)] =
            SourceIndex(x - std::int64_t{box.left}, targetWidth, bitmap.Width(), mirrorX);
    }
    const TransparencyKeys keys = KeysOf(transparent);
    DirectAccess access(surface_.get());
    for (int y = top; y < bottom; ++y) {
        const Pixel* source = bitmap.Row(
            SourceIndex(y - std::int64_t{box.top}, targetHeight, bitmap.Height(), mirrorY));
        Pixel* target = bitmap_.Row(y) + left;
        for (std::size_t i = 0; i < sourceColumn.size(); ++i) {
            const Pixel p = source[sourceColumn[i]];
            const Pixel rgb = p & kRgb;
            if (!keys.any || (rgb != keys.first && rgb != keys.second)) {
                target[i] = p | kOpaque;
            }
        }
    }
}

} // namespace velkaro
