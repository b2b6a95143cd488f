#pragma once

#include "platform/Canvas.h"

#include <cairo.h>
#include <pango/pangocairo.h>

#include <memory>
#include <string>

namespace velkaro {

// The canvas on a Cairo image surface that draws straight into the bitmap's own pixels, with
// text through PangoCairo. Lines and outlines one pixel wide, rectangle fills and bitmaps are
// set pixel by pixel, since that is both exact and faster than a path; curves, polygons and
// wide pens go through Cairo without antialiasing.
class CairoCanvas final : public Canvas {
public:
    CairoCanvas(int width, int height);
    ~CairoCanvas() override;

    int Width() const override { return bitmap_.Width(); }
    int Height() const override { return bitmap_.Height(); }
    const Bitmap& Pixels() const override;

    void Fill(Colour colour) override;
    void FillRect(int x1, int y1, int x2, int y2) override;

    void SetBrush(const Brush& brush) override;
    const Brush& GetBrush() const override { return brush_; }
    void SetPen(const Pen& pen) override { pen_ = pen; }
    const Pen& GetPen() const override { return pen_; }

    void Rectangle(int x1, int y1, int x2, int y2) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) override;
    void Polygon(std::span<const CanvasPoint> points) override;
    void Line(int x1, int y1, int x2, int y2) override;
    void Polyline(std::span<const CanvasPoint> points) override;

    void SetFont(const Font& font) override;
    const Font& GetFont() const override { return font_; }
    void Text(int x, int y, std::string_view text, int angleTenths = 0) override;
    void TextOnBackground(int x, int y, std::string_view text, Colour background) override;
    int TextWidth(std::string_view text) override;
    int TextHeight(std::string_view text) override;

    void DrawBitmap(const Bitmap& bitmap, int x, int y,
                    TransparentColours transparent = {}) override;
    void StretchBitmap(const Bitmap& bitmap, int x1, int y1, int x2, int y2,
                       TransparentColours transparent = {}) override;

private:
    struct SurfaceRelease {
        void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
    };
    struct ContextRelease {
        void operator()(cairo_t* c) const { cairo_destroy(c); }
    };
    struct PatternRelease {
        void operator()(cairo_pattern_t* p) const { cairo_pattern_destroy(p); }
    };
    struct GObjectRelease {
        void operator()(void* object) const { g_object_unref(object); }
    };
    struct FontDescriptionRelease {
        void operator()(PangoFontDescription* d) const { pango_font_description_free(d); }
    };

    // A Pango layout kept from call to call, so that a text drawn again (or measured, then
    // drawn) is not shaped again.
    struct TextLayout {
        std::unique_ptr<PangoContext, GObjectRelease> context;
        std::unique_ptr<PangoLayout, GObjectRelease> layout;
        std::string text;
        bool fontCurrent = false;
    };

    // Direct pixel writes: Cairo must have finished before and learn of them after.
    class DirectAccess;

    // Each takes a function that lays the shape's path through the centres of its outline's
    // pixels into the Cairo context.
    template <typename BuildPath> void DrawClosedShape(const BuildPath& build);
    template <typename BuildPath> void StrokeWide(const BuildPath& build);
    void ThinOutlineOfPath();
    void ThinLine(int x1, int y1, int x2, int y2, Pixel colour);
    void PutPixel(int x, int y, Pixel colour);
    void HorizontalRun(int left, int right, int y, Pixel colour);
    void VerticalRun(int x, int top, int bottom, Pixel colour);
    void FillBoxWithBrush(int left, int top, int right, int bottom);
    void SetSourceColour(Colour colour);
    void SetSourceBrush();
    cairo_pattern_t* HatchPattern();
    bool ThinPen() const { return pen_.width <= 1; }

    void PrepareFont();
    TextLayout MakeLayout(cairo_antialias_t antialias);
    // The layout for upright (or quarter-turned) text or for text at any other angle, holding
    // the current font and the text.
    PangoLayout* LayoutFor(std::string_view text, bool slanted);
    struct FontMetrics {
        double ascent = 0;
        double descent = 0;
        // From the baseline down.
        double underlineTop = 0;
        double underlineThickness = 0;
        double strikeOutTop = 0;
        double strikeOutThickness = 0;
    };
    FontMetrics LoadMetrics(PangoFontDescription* description);

    Bitmap bitmap_;
    std::unique_ptr<cairo_surface_t, SurfaceRelease> surface_;
    std::unique_ptr<cairo_t, ContextRelease> cairo_;

    Brush brush_;
    Pen pen_;
    std::unique_ptr<cairo_pattern_t, PatternRelease> hatch_;

    Font font_;
    bool fontPrepared_ = false;
    std::unique_ptr<PangoFontDescription, FontDescriptionRelease> fontDescription_;
    // The canvas's own rather than Pango's shared one, so that every font it loaded goes with it.
    std::unique_ptr<PangoFontMap, GObjectRelease> fontMap_;
    TextLayout upright_;
    TextLayout slanted_;
    int ascent_ = 0;
    int descent_ = 0;
    // Underline and strike-out, in whole pixels from the baseline down.
    struct TextLine {
        int top = 0;
        int thickness = 1;
    };
    TextLine underline_;
    TextLine strikeOut_;
};

} // namespace velkaro
