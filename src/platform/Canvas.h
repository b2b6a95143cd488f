#pragma once

#include "base/Bitmap.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace velkaro {

// Numbered as games number them (the bs_ constants).
enum class BrushStyle {
    Clear = 0,
    Solid = 1,
    BDiagonal = 2, // "/" lines
    FDiagonal = 3, // "\" lines
    Cross = 4,
    DiagCross = 5,
    Horizontal = 6,
    Vertical = 7,
};

// None for numbers outside 0..7, which games use to leave the style as it is.
constexpr std::optional<BrushStyle> BrushStyleFromNumber(int number) {
    if (number < 0 || number > 7) {
        return std::nullopt;
    }
    return static_cast<BrushStyle>(number);
}

struct Brush {
    Colour colour = 0xFFFFFF;
    BrushStyle style = BrushStyle::Solid;
    bool operator==(const Brush&) const = default;
};

struct Pen {
    Colour colour = 0;
    // In pixels; 0 and 1 (and anything below) draw one pixel wide.
    int width = 1;
    bool operator==(const Pen&) const = default;
};

struct Font {
    // As the game names it, in Windows-1252. "Times New Roman", "Arial" and "Courier New" are
    // always found (as their metric-compatible stand-ins when the originals are missing).
    std::string name = "Times New Roman";
    // Points at 96 dots per inch: the character height is size * 96 / 72 pixels, rounded. A
    // negative size asks for that many points of cell height (ascent plus descent) instead.
    int size = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    Colour colour = 0;
    bool operator==(const Font&) const = default;
};

struct CanvasPoint {
    int x = 0;
    int y = 0;
    bool operator==(const CanvasPoint&) const = default;
};

// Colours that a drawn bitmap leaves out: none, one or two. Only red, green and blue count.
class TransparentColours {
public:
    TransparentColours() = default;
    explicit TransparentColours(Colour colour) : count_(1), first_(colour), second_(colour) {}
    TransparentColours(Colour first, Colour second) : count_(2), first_(first), second_(second) {}

    int Count() const { return count_; }
    Colour First() const { return first_; }
    Colour Second() const { return second_; }

private:
    int count_ = 0;
    Colour first_ = 0;
    Colour second_ = 0;
};

// An off-screen 32-bit picture and the drawing operations games use on it. Coordinates are whole
// pixels, x to the right and y down. Boxes (x1, y1, x2, y2) leave out their right column and
// bottom row: a rectangle from (0, 0) to (10, 10) covers pixels 0 to 9 each way, and so does the
// ellipse in that box. Closed shapes are filled with the brush and outlined with the pen; shapes
// are never antialiased. Anything outside the picture is cut off.
class Canvas {
public:
    virtual ~Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    // The picture as drawn so far; every pixel is opaque. The reference stays valid as long as
    // the canvas does.
    virtual const Bitmap& Pixels() const = 0;

    // The whole picture in one colour, whatever the brush.
    virtual void Fill(Colour colour) = 0;
    // The box with the brush only, no outline; nothing with the clear brush.
    virtual void FillRect(int x1, int y1, int x2, int y2) = 0;

    // Hatches are 8 x 8 patterns aligned to the picture's top-left corner, drawn in the brush
    // colour with the pixels between the lines left as they were.
    virtual void SetBrush(const Brush& brush) = 0;
    virtual const Brush& GetBrush() const = 0;
    virtual void SetPen(const Pen& pen) = 0;
    virtual const Pen& GetPen() const = 0;

    virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
    virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
    // Corners are quarters of a cornerWidth x cornerHeight ellipse.
    virtual void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) = 0;
    // Closed through the points in order (the last joins the first); the outline passes through
    // every point's pixel.
    virtual void Polygon(std::span<const CanvasPoint> points) = 0;
    // With the pen; the end point itself is left out (with a pen of one pixel).
    virtual void Line(int x1, int y1, int x2, int y2) = 0;
    // Lines from point to point, each leaving out its end point as Line does.
    virtual void Polyline(std::span<const CanvasPoint> points) = 0;

    virtual void SetFont(const Font& font) = 0;
    virtual const Font& GetFont() const = 0;
    // Text (Windows-1252) in the font's colour with its top-left corner at (x, y), turned
    // counter-clockwise about that point by angleTenths tenths of a degree. Nothing is drawn
    // between the letters.
    virtual void Text(int x, int y, std::string_view text, int angleTenths = 0) = 0;
    // Unturned text on a box of the background colour that is exactly its measured size.
    virtual void TextOnBackground(int x, int y, std::string_view text, Colour background) = 0;
    // The size the text takes when drawn unturned in the current font: its advance width, and
    // the font's cell height (ascent plus descent, the same for any text).
    virtual int TextWidth(std::string_view text) = 0;
    virtual int TextHeight(std::string_view text) = 0;

    // Another picture with its top-left corner at (x, y), leaving out the transparent colours.
    virtual void DrawBitmap(const Bitmap& bitmap, int x, int y,
                            TransparentColours transparent = {}) = 0;
    // Another picture stretched over the box by repeating or dropping pixels, never blended.
    // A box given right to left (x2 < x1) or bottom to top mirrors the picture that way.
    virtual void StretchBitmap(const Bitmap& bitmap, int x1, int y1, int x2, int y2,
                               TransparentColours transparent = {}) = 0;

protected:
    Canvas() = default;
};

// A width x height canvas filled with black. Sizes below 0 count as 0.
std::unique_ptr<Canvas> MakeCanvas(int width, int height);

} // namespace velkaro
