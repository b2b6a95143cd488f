#include "codecs/RichText.h"

#include "base/WholeFile.h"

#include <gtest/gtest.h>

#include <filesystem>
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

std::vector<std::string> TextsOf(const RichDocument& document) {
    std::vector<std::string> texts;
    for (const TextParagraph& paragraph : document.paragraphs) {
        texts.push_back(TextOf(paragraph));
    }
    return texts;
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

RichDocument ReadFixture(const std::string& name) {
    // Beside the folder of the other test files.
    const std::filesystem::path path =
        std::filesystem::path(VELKARO_TEST_DATA).parent_path() / "rtf" / name;
    const auto bytes = ReadFileWhole(path);
    if (!bytes) {
        ADD_FAILURE() << "cannot read " << path.string();
        return {};
    }
    const std::string rtf(bytes->begin(), bytes->end());
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
    if (pandoc.paragraphs.size() != expected.size() ||
        office.paragraphs.size() != expected.size()) {
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
        EXPECT_EQ(SpansOf(pandoc.paragraphs[i]), spans[i]) << "pandoc, paragraph " << i;
        EXPECT_EQ(SpansOf(office.paragraphs[i]), spans[i]) << "LibreOffice, paragraph " << i;
        const Alignment alignment = i == 2 ? Alignment::Centre : Alignment::Left;
        EXPECT_EQ(pandoc.paragraphs[i].alignment, alignment) << i;
        EXPECT_EQ(office.paragraphs[i].alignment, alignment) << i;
    }
    EXPECT_GT(office.paragraphs[0].runs[0].style.halfPoints,
              office.paragraphs[1].runs[0].style.halfPoints)
        << "the heading is larger";
    EXPECT_EQ(office.paragraphs[1].runs[0].style.font, "Liberation Serif")
        << "the font table's name, without its alternative";
    EXPECT_EQ(pandoc.paragraphs[1].runs[0].style.font, "Helvetica");
    EXPECT_EQ(office.paragraphs[1].spaceAfter, 283);
}

TEST(RichText, CharacterAndParagraphFormattingFollowTheGroups) {
    const RichDocument document = ReadRichText(
        "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}}"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue255;}"
        "\\pard\\qr\\li720\\ri360\\fi-360\\sb120\\sa240 plain {\\b\\i\\ul\\strike\\fs32\\cf2\\f0 "
        "all}{\\b\\b0 off}{\\ul\\ulnone no line}\\cf1 red\\plain  back\\par"
        "\\qj still indented\\line next\\tab col \\{x\\}\\\\\\~\\par"
        "\\pard\\fs48\\par}");
    ASSERT_EQ(document.paragraphs.size(), 3u);

    const TextParagraph& first = document.paragraphs[0];
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
    const TextParagraph& second = document.paragraphs[1];
    EXPECT_EQ(second.alignment, Alignment::Justified);
    EXPECT_EQ(second.leftIndent, 720);
    EXPECT_EQ(TextOf(second), "still indented\nnext\tcol {x}\\\u00a0");
    EXPECT_EQ(second.runs.size(), 1u);

    const TextParagraph& empty = document.paragraphs[2];
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
    ASSERT_EQ(huge.paragraphs.size(), 1u);
    EXPECT_EQ(huge.paragraphs[0].runs[0].style.halfPoints, 3276);
    EXPECT_LT(huge.paragraphs[0].leftIndent, 0);
    EXPECT_EQ(TextOf(huge.paragraphs[0]), "big");

    // Nesting far deeper than any document: the deep part is left out, the rest is read.
    const std::size_t depth = 100000;
    const std::string deep =
        "{\\rtf1 before " + std::string(depth, '{') + "deep" + std::string(depth, '}') + "after}";
    EXPECT_EQ(TextsOf(ReadRichText(deep)), std::vector<std::string>{"before after"});
    EXPECT_TRUE(ReadRichText("").paragraphs.empty());
    EXPECT_TRUE(ReadRichText("}}}{{{").paragraphs.empty());
}

TEST(RichText, PlainTextIsOneParagraphALineInTheGivenStyle) {
    const TextStyle style{.font = "Arial", .halfPoints = 20, .colour = 0x123456};
    const std::string text = "Caf\xe9 \x80\r\n\r\nsecond\tline\rthird\n";
    EXPECT_FALSE(IsRichText(text));
    const RichDocument document = ReadTextDocument(text, style);
    EXPECT_EQ(TextsOf(document),
              (std::vector<std::string>{"Caf\u00e9 \u20ac", "", "second\tline", "third", ""}));
    EXPECT_EQ(document.paragraphs[0].runs[0].style, style);
    EXPECT_EQ(document.paragraphs[1].endStyle, style);

    const RichDocument rich = ReadTextDocument("{\\rtf1 {\\b x}}", style);
    ASSERT_EQ(rich.paragraphs.size(), 1u);
    EXPECT_TRUE(rich.paragraphs[0].runs[0].style.bold);
    EXPECT_EQ(rich.paragraphs[0].runs[0].style.halfPoints, 24) << "RTF has its own defaults";
}

} // namespace
} // namespace velkaro
