#include "codecs/RichText.h"

#include "base/WholeFile.h"
#include "codecs/BmpCodec.h"
#include "codecs/PngFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace velkaro {
namespace {

constexpr Colour kRed = 0x0000FF;

std::string TextOf(const TextParagraph& paragraph) {
    std::string text;
    for (const TextRun& run : paragraph.runs) {
        text += run.text;
    }
    return text;
}

// A table row reads as its cells' texts between '|', the paragraphs of a cell between '/'.
std::vector<std::string> TextsOf(const RichDocument& document) {
    std::vector<std::string> texts;
    for (const RichBlock& block : document.blocks) {
        if (const auto* paragraph = std::get_if<TextParagraph>(&block)) {
            texts.push_back(TextOf(*paragraph));
            continue;
        }
        std::string row;
        for (const TableCell& cell : std::get<TableRow>(block).cells) {
            row += "|";
            for (std::size_t i = 0; i < cell.paragraphs.size(); ++i) {
                row += (i > 0 ? "/" : "") + TextOf(cell.paragraphs[i]);
            }
        }
        texts.push_back(row + "|");
    }
    return texts;
}

// Blocks of another kind, or none, fail the test by the exception.
const TextParagraph& ParagraphAt(const RichDocument& document, std::size_t i) {
    return std::get<TextParagraph>(document.blocks.at(i));
}

const TableRow& RowAt(const RichDocument& document, std::size_t i) {
    return std::get<TableRow>(document.blocks.at(i));
}

// A stretch of a paragraph's text in the looks both word processors can give it; fonts and
// sizes are each writer's own.
struct Span {
    std::string text;
    bool bold = false;
    bool italic = false;
    Colour colour = 0;

    bool operator==(const Span&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Span& span) {
    return out << '"' << span.text << '"' << (span.bold ? " bold" : "")
               << (span.italic ? " italic" : "") << " colour " << std::hex << span.colour
               << std::dec;
}

std::vector<Span> SpansOf(const TextParagraph& paragraph) {
    std::vector<Span> spans;
    for (const TextRun& run : paragraph.runs) {
        const Span span{run.text, run.style.bold, run.style.italic, run.style.colour};
        if (!spans.empty() && spans.back().bold == span.bold &&
            spans.back().italic == span.italic && spans.back().colour == span.colour) {
            spans.back().text += span.text;
        } else {
            spans.push_back(span);
        }
    }
    return spans;
}

// Beside the folder of the other test files.
std::filesystem::path FixturePath(const std::string& name) {
    return std::filesystem::path(VELKARO_TEST_DATA).parent_path() / "rtf" / name;
}

std::string FixtureText(const std::string& name) {
    const std::filesystem::path path = FixturePath(name);
    const auto bytes = ReadFileWhole(path);
    if (!bytes) {
        ADD_FAILURE() << "cannot read " << path.string();
        return {};
    }
    return std::string(bytes->begin(), bytes->end());
}

RichDocument ReadFixture(const std::string& name) {
    const std::string rtf = FixtureText(name);
    EXPECT_TRUE(IsRichText(rtf));
    return ReadRichText(rtf);
}

// tests/data/rtf/sample.html converted to RTF by pandoc and by LibreOffice (make.sh there).
TEST(RichText, PandocAndLibreOfficeFilesReadToTheSameTextAndLooks) {
    const RichDocument pandoc = ReadFixture("pandoc.rtf");
    const RichDocument office = ReadFixture("libreoffice.rtf");
    const std::vector<std::string> expected = {
        "Maze Runner",
        "Find the exit before the timer runs out, and avoid the red walls.",
        "Press F1 for help",
        "Prices: caf\u00e9 2\u20ac, na\u00efve r\u00f4le, \u00ab\u00a0d\u00e9j\u00e0 "
        "vu\u00a0\u00bb, both at once.",
    };
    EXPECT_EQ(TextsOf(pandoc), expected);
    EXPECT_EQ(TextsOf(office), expected);
    if (pandoc.blocks.size() != expected.size() || office.blocks.size() != expected.size()) {
        return;
    }

    const std::vector<std::vector<Span>> spans = {
        {{"Maze Runner", true}},
        {{"Find the "},
         {"exit", true},
         {" before the "},
         {"timer", false, true},
         {" runs out, and avoid the "},
         {"red", false, false, kRed},
         {" walls."}},
        {{"Press F1 for help"}},
        {{expected[3].substr(0, expected[3].find("both"))}, {"both", true, true}, {" at once."}},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(SpansOf(ParagraphAt(pandoc, i)), spans[i]) << "pandoc, paragraph " << i;
        EXPECT_EQ(SpansOf(ParagraphAt(office, i)), spans[i]) << "LibreOffice, paragraph " << i;
        const Alignment alignment = i == 2 ? Alignment::Centre : Alignment::Left;
        EXPECT_EQ(ParagraphAt(pandoc, i).alignment, alignment) << i;
        EXPECT_EQ(ParagraphAt(office, i).alignment, alignment) << i;
    }
    EXPECT_GT(ParagraphAt(office, 0).runs[0].style.halfPoints,
              ParagraphAt(office, 1).runs[0].style.halfPoints)
        << "the heading is larger";
    EXPECT_EQ(ParagraphAt(office, 1).runs[0].style.font, "Liberation Serif")
        << "the font table's name, without its alternative";
    EXPECT_EQ(ParagraphAt(pandoc, 1).runs[0].style.font, "Helvetica");
    EXPECT_EQ(ParagraphAt(office, 1).spaceAfter, 283);
}

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string hex;
    for (const std::uint8_t byte : bytes) {
        hex += "0123456789abcdef"[byte >> 4];
        hex += "0123456789abcdef"[byte & 15];
    }
    return hex;
}

// tests/data/rtf/layout.rtf, written by LibreOffice Writer from layout.fodt (make.sh there).
TEST(RichText, LibreOfficeTablesPicturesAndTabStopsAreRead) {
    const RichDocument document = ReadFixture("layout.rtf");
    EXPECT_EQ(TextsOf(document),
              (std::vector<std::string>{"|Rank|Player|Score|", "|1|Ada|12500|",
                                        "|2|Grace/(two lines)|9800|", "\uFFFC",
                                        "\tLeft\tCentre\tRight\t12.345",
                                        "Lines exactly\nthree eighths of an inch apart."}));
    const BorderLine line{15, 0, false};
    for (std::size_t i = 0; i < 3; ++i) {
        const TableRow& row = RowAt(document, i);
        ASSERT_EQ(row.cells.size(), 3u);
        EXPECT_EQ(row.left, 0);
        for (std::size_t c = 0; c < 3; ++c) {
            const TableCell& cell = row.cells[c];
            EXPECT_EQ(cell.right, std::vector<int>({1440, 4320, 6480})[c]);
            EXPECT_TRUE(cell.top == line && cell.left == line && cell.bottom == line &&
                        cell.rightBorder == line);
            EXPECT_EQ(cell.paddingLeft, 58) << "Word's reading of \\clpadt: the left side";
            EXPECT_EQ(cell.paragraphs[0].runs[0].style.bold, i == 0) << "the header row";
            EXPECT_EQ(cell.paragraphs[0].runs[0].style.font, "Liberation Sans");
        }
    }

    // The \shppict PNG, not the \nonshppict metafile; 64 x 48 pixels scaled by 225%.
    ASSERT_EQ(document.pictures.size(), 1u);
    const RichPicture& picture = document.pictures[0];
    EXPECT_EQ(std::pair(picture.width, picture.height), std::pair(144, 108));
    EXPECT_EQ(picture.bitmap, ReadPng(FixturePath("quadrants.png")));
    EXPECT_EQ(ParagraphAt(document, 3).runs[0].picture, 0);

    const TextParagraph& tabbed = ParagraphAt(document, 4);
    EXPECT_EQ(tabbed.tabs, (std::vector<TabStop>{{720, TabKind::Left},
                                                 {3600, TabKind::Centre},
                                                 {5760, TabKind::Right},
                                                 {7200, TabKind::Decimal}}));
    EXPECT_EQ(tabbed.spaceBefore, 360);
    EXPECT_EQ(ParagraphAt(document, 5).lineSpacing, -540) << "exactly 3/8 inch";
    EXPECT_FALSE(ParagraphAt(document, 5).lineMultiple);
    EXPECT_EQ(document.defaultTab, 720);
}

// The ways other writers lay out rows: pandoc defines each row before its cells and ends every
// cell's paragraph (reset by \pard) before \cell; Word defines rows before and again after
// their cells, with row borders, shading and nested tables; some define them only at \row.
TEST(RichText, TableRowsFromEveryWriterKeepTheirCellsAndFormatting) {
    const RichDocument pandoc = ReadRichText(
        "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}{\\trowd \\trgaph120 \\clbrdrb\\brdrs"
        "\\cellx2160\\clbrdrb\\brdrs\\cellx4320\\trkeep\\intbl{{\\intbl {\\pard\\qc "
        "\\b Name\\par}\\cell}{\\intbl {\\pard\\ql\\cf1 Red\\par}{\\pard two\\par}\\cell}}"
        "\\intbl\\row}{\\pard after\\par}}");
    EXPECT_EQ(TextsOf(pandoc), (std::vector<std::string>{"|Name|Red/two|", "after"}));
    const TableRow& simple = RowAt(pandoc, 0);
    ASSERT_EQ(simple.cells.size(), 2u);
    EXPECT_EQ(simple.cells[0].paragraphs[0].alignment, Alignment::Centre);
    EXPECT_TRUE(simple.cells[0].paragraphs[0].runs[0].style.bold);
    EXPECT_EQ(simple.cells[1].paragraphs[0].runs[0].style.colour, kRed);
    EXPECT_EQ(simple.cells[1].bottom, (BorderLine{1, 0, false})) << "a line without a width";
    EXPECT_EQ(simple.cells[1].top.width, 0);
    EXPECT_EQ(simple.cells[0].paddingLeft, 120) << "\\trgaph";

    const std::string definition =
        "\\trowd\\trgaph108\\trleft-108\\trrh400\\trbrdrt\\brdrs\\brdrw10\\trbrdrl\\brdrs"
        "\\brdrw10\\trbrdrb\\brdrdb\\brdrw10\\trbrdrr\\brdrs\\brdrw10\\trbrdrv\\brdrs\\brdrw20"
        "\\brdrcf1\\clcbpat2\\cellx3000\\clbrdrl\\brdrnone\\clcfpat1\\clshdng5000\\cellx6000 ";
    const RichDocument word = ReadRichText(
        "{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}" + definition +
        "\\pard\\intbl A\\cell\\pard\\intbl\\itap2 n1\\nestcell n2\\nestcell{\\*\\nesttableprops"
        "\\trowd\\cellx500\\cellx900\\nestrow}{\\nonesttables\\par}\\pard\\intbl B\\cell"
        "{\\trowd" +
        definition.substr(6) +
        "\\row}\\pard\\intbl C\\cell D\\cell\\row"
        // Defined only at \\row, and a row its writer never ended.
        "\\pard\\intbl E\\cell\\trowd\\cellx1000\\row\\pard\\intbl F\\cell}");
    EXPECT_EQ(TextsOf(word), (std::vector<std::string>{"|A|n1/n2/B|", "|C|D|", "|E|", "|F|"}));
    const TableRow& bordered = RowAt(word, 0);
    ASSERT_EQ(bordered.cells.size(), 2u);
    EXPECT_EQ(bordered.left, -108);
    EXPECT_EQ(bordered.height, 400);
    const TableCell& first = bordered.cells[0];
    const TableCell& second = bordered.cells[1];
    EXPECT_EQ(first.right, 3000);
    EXPECT_EQ(first.left, (BorderLine{10, 0, false})) << "the row's left border";
    EXPECT_EQ(first.rightBorder, (BorderLine{20, kRed, false})) << "between the cells";
    EXPECT_EQ(second.left, first.rightBorder) << "\\brdrnone falls back to the row's";
    EXPECT_EQ(second.bottom, (BorderLine{10, 0, true}));
    EXPECT_EQ(first.shading, Colour{0xFF0000}) << "blue background";
    EXPECT_EQ(second.shading, Colour{0x7F7FFF}) << "half red over white";
    EXPECT_EQ(RowAt(word, 1).cells.size(), 2u) << "the definition stays for the next row";
    EXPECT_EQ(RowAt(word, 2).cells[0].right, 1000);
    EXPECT_EQ(RowAt(word, 3).cells[0].right, 1000) << "the last definition";
}

// Pictures as Word writes them too: a device-independent bitmap, binary data, and kinds or data
// that cannot be read, which keep their box blank.
TEST(RichText, PicturesAreDecodedOrLeftBlankAtTheirSize) {
    // 2 x 1 pixels, 24 bits: a red and a blue one; a BMP file's bytes after its file header.
    Bitmap pixels(2, 1);
    pixels.At(0, 0) = PixelFromRgb(255, 0, 0);
    pixels.At(1, 0) = PixelFromRgb(0, 0, 255);
    const std::vector<std::uint8_t> bmp = EncodeBmp24(pixels);
    const std::string dib = Hex(std::span(bmp).subspan(14));
    const auto file = ReadFileWhole(FixturePath("quadrants.png"));
    ASSERT_TRUE(file);
    const std::string png(file->begin(), file->end());
    const RichDocument document = ReadRichText(
        "{\\rtf1 a{\\pict\\dibitmap0\\picw2\\pich1\\picscalex200\\picscaley300 " + dib +
        "}b{\\*\\shppict{\\pict\\pngblip\\bin" + std::to_string(png.size()) + " " + png +
        "}}{\\nonshppict{\\pict\\wmetafile8 00}}"
        "{\\pict\\emfblip\\picwgoal1500\\pichgoal750 0102}{\\pict\\macpict\\picw10\\pich20 00}"
        "{\\pict\\wmetafile8\\picw2540\\pich5080 0000}{\\pict\\pngblip 0000}"
        "{\\pict\\picwgoal99999999\\pichgoal15 }\\par}");
    EXPECT_EQ(TextsOf(document), std::vector<std::string>{"a\uFFFCb\uFFFC\uFFFC\uFFFC\uFFFC\uFFFC"})
        << "nothing of a picture without a size";
    ASSERT_EQ(document.pictures.size(), 6u);
    const auto size = [&](std::size_t i) {
        return std::pair(document.pictures[i].width, document.pictures[i].height);
    };
    EXPECT_EQ(document.pictures[0].bitmap, pixels);
    EXPECT_EQ(size(0), std::pair(4, 3));
    EXPECT_EQ(document.pictures[1].bitmap, ReadPng(FixturePath("quadrants.png"))) << "\\bin";
    EXPECT_EQ(size(1), std::pair(64, 48)) << "its own size";
    for (std::size_t i = 2; i < 6; ++i) {
        EXPECT_TRUE(document.pictures[i].bitmap.Empty()) << i;
    }
    EXPECT_EQ(size(2), std::pair(100, 50)) << "the goal size";
    EXPECT_EQ(size(3), std::pair(10, 20)) << "a kind not read, at its stated size";
    EXPECT_EQ(size(4), std::pair(96, 192)) << "a metafile's size in 0.01 mm";
    EXPECT_EQ(size(5), std::pair(32768, 1)) << "held to a picture's largest side";
}

// A drawing inside rich text, as Word writes one: a plain WMF (here LibreOffice Draw's export of
// tests/data/metafiles/drawing.svg without its placeable header), drawn at the size the
// document shows it, half its own: the red rectangle in its top-left corner.
TEST(RichText, MetafilePicturesAreDrawnAtTheSizeTheDocumentShowsThem) {
    const auto placeable = ReadFileWhole(FixturePath("../metafiles/drawing.wmf"));
    ASSERT_TRUE(placeable);
    const std::string hex = Hex(std::span(*placeable).subspan(22));
    const RichDocument document =
        ReadRichText("{\\rtf1{\\pict\\wmetafile8\\picw7889\\pich5772\\picwgoal2235\\pichgoal1635 " +
                     hex + "}\\par}");
    ASSERT_EQ(document.pictures.size(), 1u);
    const Bitmap& drawn = document.pictures[0].bitmap;
    ASSERT_EQ(std::pair(drawn.Width(), drawn.Height()), std::pair(149, 109));
    EXPECT_EQ(drawn.At(30, 20), PixelFromRgb(0xD0, 0x20, 0x20));
    EXPECT_EQ(drawn.At(140, 5), PixelFromRgb(255, 255, 255));
}

TEST(RichText, CharacterAndParagraphFormattingFollowTheGroups) {
    const RichDocument document = ReadRichText(
        "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue255;}"
        "\\pard\\qr\\li720\\ri360\\fi-360\\sb120\\sa240 plain {\\b\\i\\ul\\strike\\fs32\\cf2\\f0 "
        "all}{\\b\\b0 off}{\\ul\\ulnone no line}\\cf1 red\\plain  back\\par"
        "\\qj still indented\\line next\\tab col \\{x\\}\\\\\\~\\par"
        "\\pard\\fs48\\par}");
    ASSERT_EQ(document.blocks.size(), 3u);

    const TextParagraph& first = ParagraphAt(document, 0);
    EXPECT_EQ(first.alignment, Alignment::Right);
    EXPECT_EQ(first.leftIndent, 720);
    EXPECT_EQ(first.rightIndent, 360);
    EXPECT_EQ(first.firstIndent, -360);
    EXPECT_EQ(first.spaceBefore, 120);
    EXPECT_EQ(first.spaceAfter, 240);
    ASSERT_EQ(first.runs.size(), 5u);
    EXPECT_EQ(first.runs[0].text, "plain ");
    EXPECT_EQ(first.runs[0].style, (TextStyle{.font = "Arial"})) << "the default font";
    EXPECT_EQ(first.runs[1].text, "all");
    EXPECT_EQ(first.runs[1].style, (TextStyle{.font = "Times New Roman",
                                              .halfPoints = 32,
                                              .bold = true,
                                              .italic = true,
                                              .underline = true,
                                              .strikeOut = true,
                                              .colour = 0xFF8000}));
    EXPECT_EQ(first.runs[2].text, "offno line") << "switched off again: the first run's style";
    EXPECT_EQ(first.runs[3].text, "red");
    EXPECT_EQ(first.runs[3].style.colour, kRed);
    EXPECT_EQ(first.runs[4].text, " back");
    EXPECT_EQ(first.runs[4].style, first.runs[0].style) << "\\plain";

    // Paragraph formatting lasts until \pard; the text after \plain is in the first run's style.
    const TextParagraph& second = ParagraphAt(document, 1);
    EXPECT_EQ(second.alignment, Alignment::Justified);
    EXPECT_EQ(second.leftIndent, 720);
    EXPECT_EQ(TextOf(second), "still indented\nnext\tcol {x}\\\u00a0");
    EXPECT_EQ(second.runs.size(), 1u);

    const TextParagraph& empty = ParagraphAt(document, 2);
    EXPECT_TRUE(empty.runs.empty());
    EXPECT_EQ(empty.alignment, Alignment::Left);
    EXPECT_EQ(empty.endStyle.halfPoints, 48) << "an empty line keeps its size";
}

TEST(RichText, EscapedCharactersDecodeInTheirFontsCodePage) {
    const RichDocument document = ReadRichText(
        "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset0 Arial;}{\\f1\\fcharset238 Arial "
        "CE;}{\\f2\\fcharset204 Arial Cyr;}}"
        "\\f0 caf\\'e9 \\'80\\'81|\\f1 \\'8a\\'e8|\\f2 \\'c0\\'e1\\'ff\\'a8\\par"
        // \u with its stand-in: one character by default, \ucN of them, none for \uc0.
        "\\f0\\u233?\\u8364\\'80 \\uc2\\u8364\\'80\\'80|\\uc0\\u8364 x"
        "{\\uc3\\u65 abc}d{\\uc3\\u66 a}bc\\u66?\\uc1\\par"
        // Above 32767 negative; beyond the first plane as a pair of surrogates.
        "\\u-223?\\u-10179?\\u-8704?\\u-10179?x\\par}");
    const std::vector<std::string> expected = {
        "caf\u00e9 \u20ac|\u0160\u010d|\u0410\u0431\u044f\u0401",
        "\u00e9\u20ac \u20ac|\u20acx" // the space after \'80 is text
        "Ad"                          // three characters of stand-in
        "Bbc"                         // the group's end ends the stand-in
        "B?",                         // \uc3 was the group's: \uc0 again
        "\uff21\U0001F600x",
    };
    EXPECT_EQ(TextsOf(document), expected);
}

TEST(RichText, DestinationsThatShowNothingAreSkipped) {
    const RichDocument document = ReadRichText(
        "{\\rtf1{\\*\\generator Writer;}{\\info{\\title Secret}{\\author Me}}"
        "{\\stylesheet{\\s0 Normal;}}{\\*\\unknown{\\nested hidden}}"
        "{\\pict\\pngblip\\bin6 }{{\\}\\ 0a0b}{\\header Page 1\\par}"
        "Shown {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}} {\\v hidden}text"
        "{\\*\\bkmkstart b}\\par}");
    EXPECT_EQ(TextsOf(document), std::vector<std::string>{"Shown link text"});
}

TEST(RichText, MalformedInputYieldsWhatCouldBeRead) {
    // Groups left open, and text after the document's end.
    EXPECT_EQ(TextsOf(ReadRichText("{\\rtf1 open {\\b bold")),
              (std::vector<std::string>{"open bold"}));
    EXPECT_EQ(TextsOf(ReadRichText("{\\rtf1 done\\par}after}\\par more")),
              std::vector<std::string>{"done"});
    // Escapes cut off by the end of the file.
    for (const char* cut :
         {"{\\rtf1 a\\", "{\\rtf1 a\\'", "{\\rtf1 a\\'4", "{\\rtf1 a\\u", "{\\rtf1 a\\bin99999"}) {
        EXPECT_EQ(TextsOf(ReadRichText(cut)), std::vector<std::string>{"a"}) << cut;
    }
    // Numbers far beyond 32 bits.
    const RichDocument huge =
        ReadRichText("{\\rtf1\\li-99999999999999999999\\fs99999999999999999999 "
                     "big\\cf99999999999 \\u99999999999 x\\par}");
    ASSERT_EQ(huge.blocks.size(), 1u);
    EXPECT_EQ(ParagraphAt(huge, 0).runs[0].style.halfPoints, 3276);
    EXPECT_LT(ParagraphAt(huge, 0).leftIndent, 0);
    EXPECT_EQ(TextOf(ParagraphAt(huge, 0)), "big");

    // Nesting far deeper than any document: the deep part is left out, the rest is read.
    const std::size_t depth = 100000;
    const std::string deep =
        "{\\rtf1 before " + std::string(depth, '{') + "deep" + std::string(depth, '}') + "after}";
    EXPECT_EQ(TextsOf(ReadRichText(deep)), std::vector<std::string>{"before after"});
    EXPECT_TRUE(ReadRichText("").blocks.empty());
    EXPECT_TRUE(ReadRichText("}}}{{{").blocks.empty());
}

TEST(RichText, PlainTextIsOneParagraphALineInTheGivenStyle) {
    const TextStyle style{.font = "Arial", .halfPoints = 20, .colour = 0x123456};
    const std::string text = "Caf\xe9 \x80\r\n\r\nsecond\tline\rthird\n";
    EXPECT_FALSE(IsRichText(text));
    const RichDocument document = ReadTextDocument(text, style);
    EXPECT_EQ(TextsOf(document),
              (std::vector<std::string>{"Caf\u00e9 \u20ac", "", "second\tline", "third", ""}));
    EXPECT_EQ(ParagraphAt(document, 0).runs[0].style, style);
    EXPECT_EQ(ParagraphAt(document, 1).endStyle, style);

    const RichDocument rich = ReadTextDocument("{\\rtf1 {\\b x}}", style);
    ASSERT_EQ(rich.blocks.size(), 1u);
    EXPECT_TRUE(ParagraphAt(rich, 0).runs[0].style.bold);
    EXPECT_EQ(ParagraphAt(rich, 0).runs[0].style.halfPoints, 24) << "RTF has its own defaults";
}

} // namespace
} // namespace velkaro
