#pragma once

#include "base/Bitmap.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velkaro {

// The looks of a stretch of text.
struct TextStyle {
    // The font family as the document names it (UTF-8); empty for the viewer's default font.
    std::string font;
    // The size in half points, as word processors store it: 24 is 12 points.
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    // 0x00BBGGRR, as games store colours (base/Bitmap.h).
    Colour colour = 0;

    bool operator==(const TextStyle&) const = default;
};

// Text in one style, UTF-8. A tab is '\t'; a line broken inside its paragraph is '\n'. A
// picture is a run of its own, U+FFFC standing in for it in the text.
struct TextRun {
    std::string text;
    TextStyle style;
    // The place of the run's picture among the document's pictures; -1 for text.
    int picture = -1;

    bool operator==(const TextRun&) const = default;
};

enum class Alignment { Left, Centre, Right, Justified };

enum class TabKind { Left, Centre, Right, Decimal };

// Where text after a tab lines up: its start, centre, end or decimal point.
struct TabStop {
    // Twips from the left margin, as word processors measure it (not from the indent).
    int position = 0;
    TabKind kind = TabKind::Left;

    bool operator==(const TabStop&) const = default;
};

// Lengths in twips: 1440 to the inch, 15 to a pixel at 96 dots per inch.
struct TextParagraph {
    // Neighbouring text runs differ in style, and none is empty.
    std::vector<TextRun> runs;
    Alignment alignment = Alignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    // The first line's indent from the left indent; negative for a hanging paragraph.
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    // The distance from line to line, as RTF states it (\sl, \slmult): 0 for the font's own,
    // a positive length for at least that much, a negative one for exactly that much; with
    // `lineMultiple`, 240 to a single line's height.
    int lineSpacing = 0;
    bool lineMultiple = false;
    // Explicit stops, left to right; the document's default stops follow the last of them.
    std::vector<TabStop> tabs;
    // The style at the paragraph's end: it gives an empty paragraph its height.
    TextStyle endStyle;

    bool operator==(const TextParagraph&) const = default;
};

// A picture as the document shows it: `bitmap` is empty where it could not be decoded (or
// the document's pictures had used up their pixels) and leaves its box blank.
struct RichPicture {
    Bitmap bitmap;
    // The size it is shown at, in pixels at 96 dots per inch, each at least 1.
    int width = 1;
    int height = 1;
};

// One side of a table cell's frame. A width of 0 draws nothing.
struct BorderLine {
    int width = 0;
    Colour colour = 0;
    bool doubled = false;

    bool operator==(const BorderLine&) const = default;
};

struct TableCell {
    // The cell's right edge, from the left margin (\cellx); its left edge is the previous
    // cell's right edge, or the row's left edge.
    int right = 0;
    BorderLine top;
    BorderLine left;
    BorderLine bottom;
    BorderLine rightBorder;
    std::optional<Colour> shading;
    // Space between the edges and the text.
    int paddingLeft = 0;
    int paddingRight = 0;
    int paddingTop = 0;
    int paddingBottom = 0;
    // At least one paragraph.
    std::vector<TextParagraph> paragraphs;

    bool operator==(const TableCell&) const = default;
};

// A row of a table: cells side by side, as high as the tallest. Tables are their rows one
// below the other; a nested table's cells are read into the cell that holds it.
struct TableRow {
    // The first cell's left edge, from the left margin.
    int left = 0;
    // The least height of the row (\trrh, its size).
    int height = 0;
    std::vector<TableCell> cells;

    bool operator==(const TableRow&) const = default;
};

using RichBlock = std::variant<TextParagraph, TableRow>;

struct RichDocument {
    std::vector<RichBlock> blocks;
    std::vector<RichPicture> pictures;
    // The distance between default tab stops (\deftab), in twips.
    int defaultTab = 720;
};

// Whether a text file holds rich text (RTF) rather than plain text.
bool IsRichText(std::string_view text);

// The RTF that word processors write, read into paragraphs of styled runs and table rows.
// Pictures are decoded as they are read (PNG, JPEG, BMP, device-independent bitmaps, WMF and
// EMF), each held to the picture limits and all of a document's together to as many pixels as
// one picture may have. Parts it does not show (headers, document information, fields'
// instructions, unknown destinations) are left out. Malformed input never fails: it yields
// what could be read.
RichDocument ReadRichText(std::string_view rtf);

// A plain Windows-1252 text, one paragraph per line (lines end in "\r\n", "\r" or "\n"), in one
// style.
RichDocument PlainTextDocument(std::string_view windows1252Text, const TextStyle& style);

// A text file as a game stores it: rich text when it is, else plain text in `plainStyle`.
RichDocument ReadTextDocument(std::string_view fileText, const TextStyle& plainStyle);

} // namespace velkaro
