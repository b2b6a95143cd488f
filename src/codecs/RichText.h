#pragma once

#include "base/Bitmap.h"

#include <string>
#include <string_view>
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

// Text in one style, UTF-8. A tab is '\t'; a line broken inside its paragraph is '\n'.
struct TextRun {
    std::string text;
    TextStyle style;

    bool operator==(const TextRun&) const = default;
};

enum class Alignment { Left, Centre, Right, Justified };

// Lengths in twips: 1440 to the inch, 15 to a pixel at 96 dots per inch.
struct TextParagraph {
    // Neighbouring runs differ in style, and none is empty.
    std::vector<TextRun> runs;
    Alignment alignment = Alignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    // The first line's indent from the left indent; negative for a hanging paragraph.
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    // The style at the paragraph's end: it gives an empty paragraph its height.
    TextStyle endStyle;
};

struct RichDocument {
    std::vector<TextParagraph> paragraphs;
};

// Whether a text file holds rich text (RTF) rather than plain text.
bool IsRichText(std::string_view text);

// The RTF that word processors write, read into paragraphs of styled runs. Parts it does not
// show (pictures, headers, document information, unknown destinations) are left out. Malformed
// input never fails: it yields what could be read.
RichDocument ReadRichText(std::string_view rtf);

// A plain Windows-1252 text, one paragraph per line (lines end in "\r\n", "\r" or "\n"), in one
// style.
RichDocument PlainTextDocument(std::string_view windows1252Text, const TextStyle& style);

// A text file as a game stores it: rich text when it is, else plain text in `plainStyle`.
RichDocument ReadTextDocument(std::string_view fileText, const TextStyle& plainStyle);

} // namespace velkaro
