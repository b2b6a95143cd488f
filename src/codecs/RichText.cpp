#include "codecs/RichText.h"

#include "base/AnsiText.h"
#include "base/Limits.h"
#include "codecs/BmpCodec.h"
#include "codecs/MetafileCodec.h"
#include "codecs/PictureLoader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <map>
#include <optional>
#include <span>
#include <utility>

namespace velkaro {
namespace {

// Groups deeper than this are skipped whole: no word processor nests so deep, and every level
// keeps a copy of the reading state.
constexpr std::size_t kMaxDepth = 200;
// Control words are at most 32 letters; longer ones are read to their end but match nothing.
constexpr std::size_t kMaxWordLength = 32;
// Parameters are 32-bit; longer runs of digits are read but stop growing the value.
constexpr long long kMaxParameter = 0x7FFFFFFF;
// Word's largest font size, 1638 points.
constexpr int kMaxHalfPoints = 3276;
// 22 inches, the widest page Word takes.
constexpr int kMaxIndent = 31680;
constexpr int kMaxFallbackLength = 16;
constexpr int kWindows1252 = 1252;
// Word keeps at most 64 tab stops a paragraph.
constexpr std::size_t kMaxTabStops = 64;
// A cell a row adds beyond its definition is an inch wide.
constexpr int kUndefinedCellWidth = 1440;
constexpr int kTwipsPerPixel = 15;
// Metafiles give their size in hundredths of a millimetre.
constexpr int kHimetricPerInch = 2540;
constexpr int kDotsPerInch = 96;
// What one picture may be, a document's pictures may be together: a file of many large
// pictures keeps the memory of one.
constexpr std::int64_t kDocumentPicturePixels = limits::kPicturePixels;
constexpr int kLargestPictureSide = static_cast<int>(limits::kPictureSide);
// Sizes and scales a picture states are held to these before they are multiplied.
constexpr int kMaxPictureMeasure = 1 << 24;
constexpr int kMaxPictureScale = 10000;
// The stand-in of a picture in a paragraph's text: U+FFFC, the object replacement character.
constexpr std::string_view kPictureCharacter = "\xEF\xBF\xBC";

// The upper halves of the code pages besides Windows-1252 that fonts name through \fcharset;
// 0xFFFD where a code page has no character.
constexpr std::array<char16_t, 128> kWindows1250 = {
    0x20AC, 0xFFFD, 0x201A, 0xFFFD, 0x201E, 0x2026, 0x2020, 0x2021, 0xFFFD, 0x2030, 0x0160, 0x2039,
    0x015A, 0x0164, 0x017D, 0x0179, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0xFFFD, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141,
    0x00A4, 0x0104, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB,
    0x013D, 0x02DD, 0x013E, 0x017C, 0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3,
    0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, 0x010D, 0x00E9, 0x0119, 0x00EB,
    0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};
// From 0x80 to 0xBF; 0xC0 to 0xFF are U+0410 to U+044F in order.
constexpr std::array<char16_t, 64> kWindows1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

// Whether a character is shown: tabs and line breaks are, other control characters are not.
bool Shown(char32_t c) {
    return c == '\t' || c == '\n' || (c >= 0x20 && (c < 0x7F || c > 0x9F) && c != 0xFFFD);
}

std::string Utf8(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// The character a byte stands for in the code page, in UTF-8; empty for one that is not shown.
// Code pages without a table here are read as Windows-1252.
std::string DecodeByte(unsigned char byte, int codePage) {
    char32_t c = byte;
    if (byte >= 0x80 && codePage == 1250) {
        c = kWindows1250[byte - 0x80];
    } else if (byte >= 0x80 && codePage == 1251) {
        c = byte >= 0xC0 ? 0x410 + (byte - 0xC0) : kWindows1251[byte - 0x80];
    } else if (byte >= 0x80) {
        const std::string utf8 = AnsiToUtf8(std::string(1, static_cast<char>(byte)));
        // The bytes Windows-1252 leaves undefined come back as C1 control characters.
        const bool control =
            utf8.size() == 2 && utf8[0] == '\xC2' && static_cast<unsigned char>(utf8[1]) < 0xA0;
        return control ? std::string() : utf8;
    }
    // A line break is a control word's, never a byte's.
    return Shown(c) && c != '\n' ? Utf8(c) : std::string();
}

// The code page of a font's character set; 0 for the document's own.
int CodePageOfCharset(int charset) {
    switch (charset) {
    case 0:
        return kWindows1252;
    case 238:
        return 1250;
    case 204:
        return 1251;
    default:
        return 0;
    }
}

enum class Destination { Text, FontTable, ColourTable, Picture, Skip };

struct ParagraphFormat {
    Alignment alignment = Alignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    int lineSpacing = 0;
    bool lineMultiple = false;
    std::vector<TabStop> tabs;
    // The kind of the stop the next \tx sets.
    TabKind nextTab = TabKind::Left;
    bool inTable = false;
};

enum class PictureFormat { Unknown, Png, Jpeg, Dib, Windows, Enhanced };

// A \pict group as far as it has been read.
struct PictureBeingRead {
    PictureFormat format = PictureFormat::Unknown;
    std::vector<std::uint8_t> bytes;
    // A hex digit waiting for its partner; -1 for none.
    int highNibble = -1;
    // The size of the picture's own data: pixels for bitmaps, 0.01 mm for metafiles.
    int width = 0;
    int height = 0;
    // The size the document shows it at before scaling, in twips.
    int goalWidth = 0;
    int goalHeight = 0;
    int scaleX = 100;
    int scaleY = 100;
};

// The sides of a cell or a row that border control words can set; \brdrs and the like then
// describe the side named last.
enum class BorderSide {
    None,
    CellTop,
    CellLeft,
    CellBottom,
    CellRight,
    RowTop,
    RowLeft,
    RowBottom,
    RowRight,
    RowInsideHorizontal,
    RowInsideVertical
};

// A cell's properties as \trowd ... \cellx states them, before its text is read.
struct CellDefinition {
    TableCell cell;
    std::optional<Colour> background;
    std::optional<Colour> pattern;
    // Hundredths of a percent of the pattern's colour over the background.
    int shading = 0;
    std::optional<int> paddingLeft;
    std::optional<int> paddingRight;
    std::optional<int> paddingTop;
    std::optional<int> paddingBottom;
};

// A row's properties, from \trowd to its last \cellx; they stay for rows that do not restate
// them.
struct RowDefinition {
    int left = 0;
    int height = 0;
    // Half the space between cells: the text's distance from each side edge unless the row or
    // the cell sets padding.
    int gap = 0;
    std::optional<int> paddingLeft;
    std::optional<int> paddingRight;
    int paddingTop = 0;
    int paddingBottom = 0;
    BorderLine topBorder;
    BorderLine leftBorder;
    BorderLine bottomBorder;
    BorderLine rightBorder;
    BorderLine insideHorizontal;
    BorderLine insideVertical;
    std::vector<CellDefinition> cells;
};

// What a group changes and its end restores.
struct GroupState {
    Destination destination = Destination::Text;
    // The font is resolved from `font` when text is added: the font table may come later.
    TextStyle style;
    int font = -1;
    bool hidden = false;
    int fallbackLength = 1;
    ParagraphFormat paragraph;
};

struct FontEntry {
    std::string name;
    int codePage = 0;
    bool named = false;
};

enum class Action {
    SkipGroup,
    FontTable,
    ColourTable,
    CodePage,
    DefaultFont,
    Font,
    Charset,
    FontCodePage,
    ColourComponent,
    Bold,
    Italic,
    Underline,
    NoUnderline,
    StrikeOut,
    Hidden,
    FontSize,
    Foreground,
    Plain,
    Pard,
    Align,
    LeftIndent,
    RightIndent,
    FirstIndent,
    SpaceBefore,
    SpaceAfter,
    ParagraphEnd,
    Character,
    Unicode,
    FallbackLength,
    Binary,
    LineSpacing,
    LineMultiple,
    TabKindNext,
    TabPosition,
    BarTab,
    DefaultTab,
    InTable,
    RowDefaults,
    RowLeft,
    RowGap,
    RowHeight,
    RowPadding,
    CellPadding,
    CellRight,
    Cell,
    Row,
    NestedCell,
    BorderOf,
    BorderStyle,
    BorderWidth,
    BorderColour,
    CellBackground,
    CellPattern,
    CellShading,
    Picture,
    PictureGroup,
    PictureKind,
    PictureWidth,
    PictureHeight,
    PictureGoalWidth,
    PictureGoalHeight,
    PictureScaleX,
    PictureScaleY
};

struct Keyword {
    std::string_view word;
    Action action;
    // The character, the alignment, the code page or the colour component's place, for the
    // actions that need one.
    int value = 0;
};

// Destinations that show nothing on the page: parts of the document elsewhere than its body,
// and tables of what word processors keep for themselves.
constexpr auto kHiddenParts = std::to_array<std::string_view>(
    {"info", "stylesheet", "header", "headerl", "headerr", "headerf", "footer", "footerl",
     "footerr", "footerf", "footnote", "fldinst", "object", "nonshppict", "shp", "annotation",
     "nonesttables"});
constexpr auto kHiddenTables = std::to_array<std::string_view>(
    {"listtable", "listoverridetable", "revtbl", "rsidtbl", "xmlnstbl", "themedata", "private",
     "colorschememapping", "latentstyles", "datastore", "pgdsctbl", "generator", "filetbl",
     "bkmkstart", "bkmkend", "ftnsep", "ftnsepc", "ftncn", "userprops"});
// Every kind of line is an underline here.
constexpr auto kUnderlines = std::to_array<std::string_view>(
    {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd",
     "ulthdash", "ulthldash", "ululdbwave", "ulw", "ulwave"});
// Sections and pages end paragraphs too.
constexpr auto kParagraphEnds = std::to_array<std::string_view>({"par", "sect", "page"});
// The kinds of line a border may be; all are drawn as one plain line, but for double ones.
constexpr auto kSingleBorders = std::to_array<std::string_view>(
    {"brdrs",          "brdrth",       "brdrsh",     "brdrdot",      "brdrdash",
     "brdrdashsm",     "brdrhair",     "brdrdashd",  "brdrdashdd",   "brdrinset",
     "brdroutset",     "brdrwavy",     "brdremboss", "brdrengrave",  "brdrframe",
     "brdrdashdotstr", "brdrthtnsg",   "brdrtnthsg", "brdrtnthtnsg", "brdrthtnmg",
     "brdrtnthmg",     "brdrtnthtnmg", "brdrthtnlg", "brdrtnthlg",   "brdrtnthtnlg"});
constexpr auto kDoubleBorders =
    std::to_array<std::string_view>({"brdrdb", "brdrtriple", "brdrwavydb"});

constexpr auto kKeywords = std::to_array<Keyword>({
    {"fonttbl", Action::FontTable},
    {"colortbl", Action::ColourTable},
    {"ansi", Action::CodePage, kWindows1252},
    {"mac", Action::CodePage, 10000},
    {"pc", Action::CodePage, 437},
    {"pca", Action::CodePage, 850},
    {"ansicpg", Action::CodePage},
    {"deff", Action::DefaultFont},
    {"f", Action::Font},
    {"fcharset", Action::Charset},
    {"cpg", Action::FontCodePage},
    {"red", Action::ColourComponent, 0},
    {"green", Action::ColourComponent, 8},
    {"blue", Action::ColourComponent, 16},
    {"b", Action::Bold},
    {"i", Action::Italic},
    {"ulnone", Action::NoUnderline},
    {"strike", Action::StrikeOut},
    {"striked", Action::StrikeOut},
    {"v", Action::Hidden},
    {"fs", Action::FontSize},
    {"cf", Action::Foreground},
    {"plain", Action::Plain},
    {"pard", Action::Pard},
    {"ql", Action::Align, static_cast<int>(Alignment::Left)},
    {"qc", Action::Align, static_cast<int>(Alignment::Centre)},
    {"qr", Action::Align, static_cast<int>(Alignment::Right)},
    {"qj", Action::Align, static_cast<int>(Alignment::Justified)},
    {"qd", Action::Align, static_cast<int>(Alignment::Justified)},
    {"li", Action::LeftIndent},
    {"lin", Action::LeftIndent},
    {"ri", Action::RightIndent},
    {"rin", Action::RightIndent},
    {"fi", Action::FirstIndent},
    {"sb", Action::SpaceBefore},
    {"sa", Action::SpaceAfter},
    {"sl", Action::LineSpacing},
    {"slmult", Action::LineMultiple},
    {"tqc", Action::TabKindNext, static_cast<int>(TabKind::Centre)},
    {"tqr", Action::TabKindNext, static_cast<int>(TabKind::Right)},
    {"tqdec", Action::TabKindNext, static_cast<int>(TabKind::Decimal)},
    {"tx", Action::TabPosition},
    {"tb", Action::BarTab},
    {"deftab", Action::DefaultTab},
    {"intbl", Action::InTable},
    {"itap", Action::InTable},
    {"trowd", Action::RowDefaults},
    {"trleft", Action::RowLeft},
    {"trgaph", Action::RowGap},
    {"trrh", Action::RowHeight},
    // Word's own reading of cell padding turns left and top round; other writers follow it.
    {"trpaddl", Action::RowPadding, 0},
    {"trpaddr", Action::RowPadding, 1},
    {"trpaddt", Action::RowPadding, 2},
    {"trpaddb", Action::RowPadding, 3},
    {"clpadt", Action::CellPadding, 0},
    {"clpadr", Action::CellPadding, 1},
    {"clpadl", Action::CellPadding, 2},
    {"clpadb", Action::CellPadding, 3},
    {"cellx", Action::CellRight},
    {"cell", Action::Cell},
    {"row", Action::Row},
    // A table inside a cell: each of its cells becomes a paragraph of the outer cell.
    {"nestcell", Action::NestedCell},
    {"clbrdrt", Action::BorderOf, static_cast<int>(BorderSide::CellTop)},
    {"clbrdrl", Action::BorderOf, static_cast<int>(BorderSide::CellLeft)},
    {"clbrdrb", Action::BorderOf, static_cast<int>(BorderSide::CellBottom)},
    {"clbrdrr", Action::BorderOf, static_cast<int>(BorderSide::CellRight)},
    {"trbrdrt", Action::BorderOf, static_cast<int>(BorderSide::RowTop)},
    {"trbrdrl", Action::BorderOf, static_cast<int>(BorderSide::RowLeft)},
    {"trbrdrb", Action::BorderOf, static_cast<int>(BorderSide::RowBottom)},
    {"trbrdrr", Action::BorderOf, static_cast<int>(BorderSide::RowRight)},
    {"trbrdrh", Action::BorderOf, static_cast<int>(BorderSide::RowInsideHorizontal)},
    {"trbrdrv", Action::BorderOf, static_cast<int>(BorderSide::RowInsideVertical)},
    // Paragraph borders are not drawn; naming their side keeps their widths off the cells.
    {"brdrt", Action::BorderOf, static_cast<int>(BorderSide::None)},
    {"brdrl", Action::BorderOf, static_cast<int>(BorderSide::None)},
    {"brdrb", Action::BorderOf, static_cast<int>(BorderSide::None)},
    {"brdrr", Action::BorderOf, static_cast<int>(BorderSide::None)},
    {"box", Action::BorderOf, static_cast<int>(BorderSide::None)},
    {"brdrnone", Action::BorderStyle, 0},
    {"brdrnil", Action::BorderStyle, 0},
    {"brdrw", Action::BorderWidth},
    {"brdrcf", Action::BorderColour},
    {"clcbpat", Action::CellBackground},
    {"clcfpat", Action::CellPattern},
    {"clshdng", Action::CellShading},
    {"pict", Action::Picture},
    {"shppict", Action::PictureGroup},
    {"pngblip", Action::PictureKind, static_cast<int>(PictureFormat::Png)},
    {"jpegblip", Action::PictureKind, static_cast<int>(PictureFormat::Jpeg)},
    {"dibitmap", Action::PictureKind, static_cast<int>(PictureFormat::Dib)},
    {"wmetafile", Action::PictureKind, static_cast<int>(PictureFormat::Windows)},
    {"emfblip", Action::PictureKind, static_cast<int>(PictureFormat::Enhanced)},
    {"wbitmap", Action::PictureKind, static_cast<int>(PictureFormat::Unknown)},
    {"macpict", Action::PictureKind, static_cast<int>(PictureFormat::Unknown)},
    {"pmmetafile", Action::PictureKind, static_cast<int>(PictureFormat::Unknown)},
    {"picw", Action::PictureWidth},
    {"pich", Action::PictureHeight},
    {"picwgoal", Action::PictureGoalWidth},
    {"pichgoal", Action::PictureGoalHeight},
    {"picscalex", Action::PictureScaleX},
    {"picscaley", Action::PictureScaleY},
    {"tab", Action::Character, '\t'},
    {"line", Action::Character, '\n'},
    {"emdash", Action::Character, 0x2014},
    {"endash", Action::Character, 0x2013},
    {"emspace", Action::Character, 0x2003},
    {"enspace", Action::Character, 0x2002},
    {"qmspace", Action::Character, 0x2005},
    {"bullet", Action::Character, 0x2022},
    {"lquote", Action::Character, 0x2018},
    {"rquote", Action::Character, 0x2019},
    {"ldblquote", Action::Character, 0x201C},
    {"rdblquote", Action::Character, 0x201D},
    {"u", Action::Unicode},
    {"uc", Action::FallbackLength},
    {"bin", Action::Binary},
});

std::optional<Keyword> KeywordOf(std::string_view word) {
    const auto among = [word](const auto& words) {
        return std::ranges::find(words, word) != words.end();
    };
    if (among(kHiddenParts) || among(kHiddenTables)) {
        return Keyword{word, Action::SkipGroup};
    }
    if (among(kUnderlines)) {
        return Keyword{word, Action::Underline};
    }
    if (among(kParagraphEnds)) {
        return Keyword{word, Action::ParagraphEnd};
    }
    if (among(kSingleBorders)) {
        return Keyword{word, Action::BorderStyle, 1};
    }
    if (among(kDoubleBorders)) {
        return Keyword{word, Action::BorderStyle, 2};
    }
    const auto found = std::ranges::find(kKeywords, word, &Keyword::word);
    return found != kKeywords.end() ? std::optional(*found) : std::nullopt;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (IsDigit(c)) {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// A cell's background; a pattern over it is drawn as the mix of the two colours, as dense
// as the shading.
std::optional<Colour> ShadingOf(const CellDefinition& cell) {
    if (cell.shading <= 0) {
        return cell.background;
    }
    const Colour fore = cell.pattern.value_or(0);
    const Colour back = cell.background.value_or(0xFFFFFF);
    Colour mixed = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const auto f = static_cast<int>(fore >> shift & 0xFF);
        const auto b = static_cast<int>(back >> shift & 0xFF);
        const int channel = (f * cell.shading + b * (10000 - cell.shading)) / 10000;
        mixed |= static_cast<Colour>(channel) << shift;
    }
    return mixed;
}

std::optional<std::pair<int, int>> ShownSize(const PictureBeingRead& picture, const Bitmap& bitmap);

// The picture's data decoded; empty for a kind of picture that is not read. Throws what the
// decoders throw for damaged data.
Bitmap DecodePicture(const PictureBeingRead& picture) {
    const std::span<const std::uint8_t> bytes(picture.bytes);
    switch (picture.format) {
    case PictureFormat::Dib: {
        // A BMP file without its 14-byte file header. The rows are read after the colour
        // table, so the header's offset to them may stay 0.
        std::vector<std::uint8_t> file(14, 0);
        file[0] = 'B';
        file[1] = 'M';
        file.insert(file.end(), bytes.begin(), bytes.end());
        return DecodeBmp(file, BmpRows::AfterColourTable);
    }
    case PictureFormat::Unknown:
        return {};
    case PictureFormat::Windows:
    case PictureFormat::Enhanced:
        // A drawing is drawn at the size the document shows it, sharp; a WMF inside rich
        // text often gives no size of its own.
        if (MetafileKindOf(bytes) != MetafileKind::None) {
            const auto shown = ShownSize(picture, Bitmap{});
            return DecodeMetafile(bytes, shown ? std::optional<MetafileSize>(
                                                     MetafileSize{shown->first, shown->second})
                                               : std::nullopt);
        }
        return PictureLoader::Decode(bytes);
    default:
        // PNG, JPEG and metafiles are told apart by their first bytes, whatever the
        // document calls them.
        return PictureLoader::Decode(bytes);
    }
}

// The size in pixels a picture is shown at: the size the document asks for, else the
// picture's own, times its scale; none when neither is known.
std::optional<std::pair<int, int>> ShownSize(const PictureBeingRead& picture,
                                             const Bitmap& bitmap) {
    const bool metafile =
        picture.format == PictureFormat::Windows || picture.format == PictureFormat::Enhanced;
    const auto side = [&](int goal, int decoded, int stated, int scale) -> std::int64_t {
        std::int64_t pixels = goal / kTwipsPerPixel;
        if (goal <= 0) {
            pixels = !bitmap.Empty() ? decoded
                     : metafile      ? std::int64_t{stated} * kDotsPerInch / kHimetricPerInch
                                     : stated;
        }
        return pixels * scale / 100;
    };
    const std::int64_t width =
        side(picture.goalWidth, bitmap.Width(), picture.width, picture.scaleX);
    const std::int64_t height =
        side(picture.goalHeight, bitmap.Height(), picture.height, picture.scaleY);
    if (width <= 0 || height <= 0) {
        return std::nullopt;
    }
    return std::pair(static_cast<int>(std::min<std::int64_t>(width, kLargestPictureSide)),
                     static_cast<int>(std::min<std::int64_t>(height, kLargestPictureSide)));
}

std::string Trimmed(const std::string& text) {
    const std::size_t start = text.find_first_not_of(' ');
    if (start == std::string::npos) {
        return {};
    }
    return text.substr(start, text.find_last_not_of(' ') - start + 1);
}

class RtfReader {
public:
    explicit RtfReader(std::string_view rtf) : rtf_(rtf) {}

    RichDocument Read();

private:
    bool AtEnd() const { return pos_ >= rtf_.size(); }
    void SkipDeepGroup();
    void OpenGroup();
    // False once the document's outermost group has closed.
    bool CloseGroup();
    void ReadControl();
    void ControlWord(std::string_view word, std::optional<int> parameter);
    void TextControlWord(const Keyword& keyword, std::optional<int> parameter);
    bool TableControlWord(const Keyword& keyword, std::optional<int> parameter);
    bool PictureControlWord(const Keyword& keyword, std::optional<int> parameter);
    void ControlSymbol(char symbol);
    void Byte(unsigned char byte);
    void PictureByte(unsigned char byte);
    void Character(char32_t c);
    void Unicode(int number);
    void AddText(const std::string& utf8);
    void AddPicture();
    // The paragraph read so far with the format in force, leaving an empty one to read on.
    TextParagraph TakeParagraph();
    void EndParagraph();
    void EndCell();
    void EndRow();
    // The row's borders on the sides of a cell that has none of its own.
    void AddRowBorders(TableCell& cell, bool first, bool last) const;
    BorderLine* BorderNow();
    std::optional<Colour> ColourAt(std::optional<int> index) const;
    TextStyle StyleNow() const;
    int CodePageNow() const;

    std::string_view rtf_;
    std::size_t pos_ = 0;
    GroupState state_;
    std::vector<GroupState> saved_;
    // Characters of a \u's stand-in still to leave out.
    int fallbackLeft_ = 0;
    char32_t highSurrogate_ = 0;
    int documentCodePage_ = kWindows1252;
    int defaultFont_ = 0;
    std::map<int, FontEntry> fonts_;
    std::optional<int> fontBeingNamed_;
    std::vector<std::optional<Colour>> colours_;
    Colour colourBeingRead_ = 0;
    bool colourGiven_ = false;
    TextParagraph paragraph_;
    RichDocument document_;
    // What \* made of the destination it marked, until the control word after it says whether
    // the destination is one this reader shows.
    bool starPending_ = false;
    Destination beforeStar_ = Destination::Text;
    PictureBeingRead picture_;
    std::int64_t picturePixelsLeft_ = kDocumentPicturePixels;
    RowDefinition row_;
    CellDefinition cellBeingDefined_;
    BorderSide border_ = BorderSide::None;
    // A row has begun (\trowd or a cell) and not yet ended (\row): paragraphs go to its cells.
    bool rowOpen_ = false;
    std::vector<TextParagraph> cellParagraphs_;
    std::vector<std::vector<TextParagraph>> cellsRead_;
};

RichDocument RtfReader::Read() {
    bool open = true;
    while (open && !AtEnd()) {
        const char c = rtf_[pos_++];
        switch (c) {
        case '{':
            OpenGroup();
            break;
        case '}':
            open = CloseGroup();
            break;
        case '\\':
            ReadControl();
            break;
        case '\r':
        case '\n':
            break;
        default:
            Byte(static_cast<unsigned char>(c));
        }
    }
    if (!paragraph_.runs.empty()) {
        EndParagraph();
    }
    if (rowOpen_ || !cellsRead_.empty()) {
        EndRow();
    }
    return std::move(document_);
}

void RtfReader::SkipDeepGroup() {
    int depth = 1;
    while (depth > 0 && !AtEnd()) {
        const char c = rtf_[pos_++];
        if (c == '\\' && !AtEnd()) {
            ++pos_; // an escaped brace does not count
        } else if (c == '{') {
            ++depth;
        } else if (c == '}') {
            --depth;
        }
    }
}

void RtfReader::OpenGroup() {
    fallbackLeft_ = 0;
    starPending_ = false;
    if (saved_.size() >= kMaxDepth) {
        SkipDeepGroup();
        return;
    }
    saved_.push_back(state_);
}

bool RtfReader::CloseGroup() {
    fallbackLeft_ = 0;
    starPending_ = false;
    if (saved_.empty()) {
        return false;
    }
    const bool pictureEnds = state_.destination == Destination::Picture &&
                             saved_.back().destination != Destination::Picture;
    state_ = std::move(saved_.back());
    saved_.pop_back();
    if (pictureEnds) {
        AddPicture();
    }
    return !saved_.empty();
}

void RtfReader::ReadControl() {
    if (AtEnd()) {
        return;
    }
    const char first = rtf_[pos_];
    if (!IsLetter(first)) {
        ++pos_;
        if (first == '\'') {
            const int high = pos_ < rtf_.size() ? HexDigit(rtf_[pos_]) : -1;
            const int low = pos_ + 1 < rtf_.size() ? HexDigit(rtf_[pos_ + 1]) : -1;
            if (high >= 0 && low >= 0) {
                pos_ += 2;
                Byte(static_cast<unsigned char>(high * 16 + low));
            } else if (high >= 0) {
                ++pos_; // half an escape stands for nothing
            }
        } else if (first == '\r' || first == '\n') {
            ControlWord("par", std::nullopt);
        } else {
            ControlSymbol(first);
        }
        return;
    }
    const std::size_t start = pos_;
    while (!AtEnd() && IsLetter(rtf_[pos_])) {
        ++pos_;
    }
    const std::size_t length = pos_ - start;
    const std::string_view word = length <= kMaxWordLength ? rtf_.substr(start, length) : "";
    std::optional<int> parameter;
    const bool negative =
        !AtEnd() && rtf_[pos_] == '-' && pos_ + 1 < rtf_.size() && IsDigit(rtf_[pos_ + 1]);
    if (negative) {
        ++pos_;
    }
    if (!AtEnd() && IsDigit(rtf_[pos_])) {
        long long value = 0;
        while (!AtEnd() && IsDigit(rtf_[pos_])) {
            value = std::min(value * 10 + (rtf_[pos_++] - '0'), kMaxParameter);
        }
        parameter = static_cast<int>(negative ? -value : value);
    }
    if (!AtEnd() && rtf_[pos_] == ' ') {
        ++pos_;
    }
    ControlWord(word, parameter);
}

void RtfReader::ControlWord(std::string_view word, std::optional<int> parameter) {
    const std::optional<Keyword> found = KeywordOf(word);
    if (std::exchange(starPending_, false) && found && found->action == Action::PictureGroup) {
        // The picture as word processors of today show it, marked so that older readers
        // take the one in \nonshppict beside it instead.
        state_.destination = beforeStar_;
    }
    if (found && found->action == Action::Binary) {
        // Raw bytes follow, in any destination: a picture's are its data.
        const auto count = std::min(static_cast<std::size_t>(std::max(parameter.value_or(0), 0)),
                                    rtf_.size() - pos_);
        if (state_.destination == Destination::Picture) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(rtf_.data() + pos_);
            picture_.bytes.insert(picture_.bytes.end(), bytes, bytes + count);
            picture_.highNibble = -1;
        }
        pos_ += count;
        return;
    }
    if (found && found->action == Action::Unicode && parameter) {
        Unicode(*parameter);
        return;
    }
    // A control word ends a \u's stand-in early.
    fallbackLeft_ = 0;
    if (!found) {
        return;
    }
    switch (state_.destination) {
    case Destination::Skip:
        return;
    case Destination::FontTable:
        if (found->action == Action::Font) {
            fontBeingNamed_ = parameter.value_or(0);
            fonts_[*fontBeingNamed_] = {};
        } else if (fontBeingNamed_ && found->action == Action::Charset) {
            fonts_[*fontBeingNamed_].codePage = CodePageOfCharset(parameter.value_or(0));
        } else if (fontBeingNamed_ && found->action == Action::FontCodePage) {
            fonts_[*fontBeingNamed_].codePage = parameter.value_or(0);
        } else if (found->action == Action::SkipGroup) {
            state_.destination = Destination::Skip;
        }
        return;
    case Destination::ColourTable:
        if (found->action == Action::ColourComponent) {
            const auto component = static_cast<Colour>(std::clamp(parameter.value_or(0), 0, 255));
            colourBeingRead_ &= ~(Colour{0xFF} << found->value);
            colourBeingRead_ |= component << found->value;
            colourGiven_ = true;
        }
        return;
    case Destination::Picture:
        PictureControlWord(*found, parameter);
        return;
    case Destination::Text:
        if (!TableControlWord(*found, parameter)) {
            TextControlWord(*found, parameter);
        }
        return;
    }
}

void RtfReader::TextControlWord(const Keyword& keyword, std::optional<int> parameter) {
    const bool on = parameter.value_or(1) != 0;
    const auto indent = [&] { return std::clamp(parameter.value_or(0), -kMaxIndent, kMaxIndent); };
    TextStyle& style = state_.style;
    ParagraphFormat& paragraph = state_.paragraph;
    switch (keyword.action) {
    case Action::SkipGroup:
        state_.destination = Destination::Skip;
        break;
    case Action::FontTable:
        state_.destination = Destination::FontTable;
        fontBeingNamed_.reset();
        break;
    case Action::ColourTable:
        state_.destination = Destination::ColourTable;
        colours_.clear();
        colourBeingRead_ = 0;
        colourGiven_ = false;
        break;
    case Action::CodePage:
        documentCodePage_ = keyword.value != 0 ? keyword.value : parameter.value_or(kWindows1252);
        break;
    case Action::DefaultFont:
        defaultFont_ = parameter.value_or(0);
        break;
    case Action::Font:
        state_.font = parameter.value_or(0);
        break;
    case Action::Bold:
        style.bold = on;
        break;
    case Action::Italic:
        style.italic = on;
        break;
    case Action::Underline:
        style.underline = on;
        break;
    case Action::NoUnderline:
        style.underline = false;
        break;
    case Action::StrikeOut:
        style.strikeOut = on;
        break;
    case Action::Hidden:
        state_.hidden = on;
        break;
    case Action::FontSize:
        style.halfPoints = std::clamp(parameter.value_or(24), 1, kMaxHalfPoints);
        break;
    case Action::Foreground: {
        const int index = parameter.value_or(0);
        const bool known = index >= 0 && static_cast<std::size_t>(index) < colours_.size();
        // Entries without a colour, and colours the table lacks, are the automatic black.
        style.colour = known ? colours_[static_cast<std::size_t>(index)].value_or(0) : 0;
        break;
    }
    case Action::Plain:
        style = TextStyle{};
        state_.font = -1;
        state_.hidden = false;
        break;
    case Action::Pard:
        paragraph = ParagraphFormat{};
        break;
    case Action::Align:
        paragraph.alignment = static_cast<Alignment>(keyword.value);
        break;
    case Action::LeftIndent:
        paragraph.leftIndent = indent();
        break;
    case Action::RightIndent:
        paragraph.rightIndent = indent();
        break;
    case Action::FirstIndent:
        paragraph.firstIndent = indent();
        break;
    case Action::SpaceBefore:
        paragraph.spaceBefore = std::max(indent(), 0);
        break;
    case Action::SpaceAfter:
        paragraph.spaceAfter = std::max(indent(), 0);
        break;
    case Action::LineSpacing:
        paragraph.lineSpacing = indent();
        break;
    case Action::LineMultiple:
        paragraph.lineMultiple = on;
        break;
    case Action::TabKindNext:
        paragraph.nextTab = static_cast<TabKind>(keyword.value);
        break;
    case Action::TabPosition: {
        const TabStop stop{std::clamp(parameter.value_or(0), 0, kMaxIndent), paragraph.nextTab};
        paragraph.nextTab = TabKind::Left;
        std::vector<TabStop>& tabs = paragraph.tabs;
        const auto at = std::ranges::lower_bound(tabs, stop.position, {}, &TabStop::position);
        if (at != tabs.end() && at->position == stop.position) {
            *at = stop;
        } else if (tabs.size() < kMaxTabStops) {
            tabs.insert(at, stop);
        }
        break;
    }
    case Action::BarTab:
        // Bar tabs draw a line, not a stop; the kind given before one is its own.
        paragraph.nextTab = TabKind::Left;
        break;
    case Action::DefaultTab:
        document_.defaultTab = std::clamp(parameter.value_or(720), 1, kMaxIndent);
        break;
    case Action::InTable:
        paragraph.inTable = on;
        break;
    case Action::ParagraphEnd:
        EndParagraph();
        break;
    case Action::Picture:
        state_.destination = Destination::Picture;
        picture_ = {};
        break;
    case Action::Character:
        Character(static_cast<char32_t>(keyword.value));
        break;
    case Action::FallbackLength:
        state_.fallbackLength = std::clamp(parameter.value_or(1), 0, kMaxFallbackLength);
        break;
    default:
        break;
    }
}

// Row and cell properties, and the cells' ends. False for a keyword that is not one of them.
bool RtfReader::TableControlWord(const Keyword& keyword, std::optional<int> parameter) {
    const int length = std::clamp(parameter.value_or(0), -kMaxIndent, kMaxIndent);
    switch (keyword.action) {
    case Action::RowDefaults:
        row_ = {};
        cellBeingDefined_ = {};
        border_ = BorderSide::None;
        rowOpen_ = true;
        return true;
    case Action::RowLeft:
        row_.left = length;
        return true;
    case Action::RowGap:
        row_.gap = std::max(length, 0);
        return true;
    case Action::RowHeight:
        // Negative for an exact height: here every row grows to hold its text.
        row_.height = std::abs(length);
        return true;
    case Action::RowPadding: {
        const int padding = std::max(length, 0);
        switch (keyword.value) {
        case 0:
            row_.paddingLeft = padding;
            break;
        case 1:
            row_.paddingRight = padding;
            break;
        case 2:
            row_.paddingTop = padding;
            break;
        default:
            row_.paddingBottom = padding;
        }
        return true;
    }
    case Action::CellPadding: {
        const int padding = std::max(length, 0);
        std::array<std::optional<int>*, 4> sides = {
            &cellBeingDefined_.paddingLeft, &cellBeingDefined_.paddingRight,
            &cellBeingDefined_.paddingTop, &cellBeingDefined_.paddingBottom};
        *sides[static_cast<std::size_t>(keyword.value)] = padding;
        return true;
    }
    case Action::CellRight:
        cellBeingDefined_.cell.right = length;
        row_.cells.push_back(std::move(cellBeingDefined_));
        cellBeingDefined_ = {};
        border_ = BorderSide::None;
        return true;
    case Action::CellBackground:
        cellBeingDefined_.background = ColourAt(parameter);
        return true;
    case Action::CellPattern:
        cellBeingDefined_.pattern = ColourAt(parameter);
        return true;
    case Action::CellShading:
        cellBeingDefined_.shading = std::clamp(parameter.value_or(0), 0, 10000);
        return true;
    case Action::BorderOf:
        border_ = static_cast<BorderSide>(keyword.value);
        return true;
    case Action::BorderStyle:
        if (BorderLine* line = BorderNow()) {
            line->width = keyword.value == 0 ? 0 : std::max(line->width, 1);
            line->doubled = keyword.value == 2;
        }
        return true;
    case Action::BorderWidth:
        if (BorderLine* line = BorderNow(); line != nullptr && line->width > 0) {
            line->width = std::clamp(length, 1, kMaxIndent);
        }
        return true;
    case Action::BorderColour:
        if (BorderLine* line = BorderNow()) {
            line->colour = ColourAt(parameter).value_or(0);
        }
        return true;
    case Action::Cell:
        EndCell();
        return true;
    case Action::Row:
        EndRow();
        return true;
    case Action::NestedCell:
        if (!paragraph_.runs.empty()) {
            cellParagraphs_.push_back(TakeParagraph());
        }
        return true;
    default:
        return false;
    }
}

// The size and kind of the picture being read. False for a keyword that is not one of them.
bool RtfReader::PictureControlWord(const Keyword& keyword, std::optional<int> parameter) {
    const int size = std::clamp(parameter.value_or(0), 0, kMaxPictureMeasure);
    const int scale = std::clamp(parameter.value_or(100), 1, kMaxPictureScale);
    switch (keyword.action) {
    case Action::PictureKind:
        picture_.format = static_cast<PictureFormat>(keyword.value);
        return true;
    case Action::PictureWidth:
        picture_.width = size;
        return true;
    case Action::PictureHeight:
        picture_.height = size;
        return true;
    case Action::PictureGoalWidth:
        picture_.goalWidth = size;
        return true;
    case Action::PictureGoalHeight:
        picture_.goalHeight = size;
        return true;
    case Action::PictureScaleX:
        picture_.scaleX = scale;
        return true;
    case Action::PictureScaleY:
        picture_.scaleY = scale;
        return true;
    default:
        return false;
    }
}

void RtfReader::AddRowBorders(TableCell& cell, bool first, bool last) const {
    const auto either = [](const BorderLine& own, const BorderLine& row) {
        return own.width > 0 ? own : row;
    };
    cell.top = either(cell.top, row_.topBorder);
    cell.bottom = either(cell.bottom, either(row_.bottomBorder, row_.insideHorizontal));
    cell.left = either(cell.left, first ? row_.leftBorder : row_.insideVertical);
    cell.rightBorder = either(cell.rightBorder, last ? row_.rightBorder : row_.insideVertical);
}

BorderLine* RtfReader::BorderNow() {
    TableCell& cell = cellBeingDefined_.cell;
    switch (border_) {
    case BorderSide::CellTop:
        return &cell.top;
    case BorderSide::CellLeft:
        return &cell.left;
    case BorderSide::CellBottom:
        return &cell.bottom;
    case BorderSide::CellRight:
        return &cell.rightBorder;
    case BorderSide::RowTop:
        return &row_.topBorder;
    case BorderSide::RowLeft:
        return &row_.leftBorder;
    case BorderSide::RowBottom:
        return &row_.bottomBorder;
    case BorderSide::RowRight:
        return &row_.rightBorder;
    case BorderSide::RowInsideHorizontal:
        return &row_.insideHorizontal;
    case BorderSide::RowInsideVertical:
        return &row_.insideVertical;
    default:
        return nullptr;
    }
}

std::optional<Colour> RtfReader::ColourAt(std::optional<int> index) const {
    const int i = index.value_or(0);
    if (i < 0 || static_cast<std::size_t>(i) >= colours_.size()) {
        return std::nullopt;
    }
    return colours_[static_cast<std::size_t>(i)];
}

void RtfReader::ControlSymbol(char symbol) {
    switch (symbol) {
    case '*':
        // Destinations marked so may be skipped by readers that do not know them; of those
        // this reader knows, only \shppict is marked.
        fallbackLeft_ = 0;
        starPending_ = true;
        beforeStar_ = state_.destination;
        state_.destination = Destination::Skip;
        break;
    case '~':
        Character(0xA0);
        break;
    case '-':
        Character(0xAD);
        break;
    case '_':
        Character(0x2011);
        break;
    case '{':
    case '}':
    case '\\':
        Byte(static_cast<unsigned char>(symbol));
        break;
    default:
        break;
    }
}

void RtfReader::Byte(unsigned char byte) {
    starPending_ = false;
    if (state_.destination == Destination::Picture) {
        PictureByte(byte);
        return;
    }
    if (state_.destination == Destination::Skip) {
        return;
    }
    if (fallbackLeft_ > 0) {
        --fallbackLeft_;
        return;
    }
    if (state_.destination == Destination::ColourTable) {
        if (byte == ';') {
            colours_.push_back(colourGiven_ ? std::optional(colourBeingRead_) : std::nullopt);
            colourBeingRead_ = 0;
            colourGiven_ = false;
        }
        return;
    }
    if (state_.destination == Destination::FontTable) {
        if (!fontBeingNamed_) {
            return;
        }
        FontEntry& font = fonts_[*fontBeingNamed_];
        if (byte == ';') {
            font.name = Trimmed(font.name);
            font.named = true;
        } else if (!font.named) {
            font.name += DecodeByte(byte, font.codePage != 0 ? font.codePage : documentCodePage_);
        }
        return;
    }
    AddText(DecodeByte(byte, CodePageNow()));
}

void RtfReader::PictureByte(unsigned char byte) {
    const int digit = HexDigit(static_cast<char>(byte));
    if (digit < 0) {
        return; // line breaks and spaces between the hex digits
    }
    if (picture_.highNibble < 0) {
        picture_.highNibble = digit;
    } else {
        picture_.bytes.push_back(static_cast<std::uint8_t>(picture_.highNibble * 16 + digit));
        picture_.highNibble = -1;
    }
}

void RtfReader::Character(char32_t c) {
    if (state_.destination != Destination::Text) {
        return;
    }
    if (fallbackLeft_ > 0) {
        --fallbackLeft_;
        return;
    }
    if (Shown(c)) {
        AddText(Utf8(c));
    }
}

void RtfReader::Unicode(int number) {
    // Characters above 32767 are written as negative numbers.
    const auto code = static_cast<char32_t>(number < 0 ? number + 65536 : number);
    fallbackLeft_ = 0;
    const char32_t high = std::exchange(highSurrogate_, 0);
    if (code >= 0xD800 && code < 0xDC00) {
        highSurrogate_ = code;
    } else if (code >= 0xDC00 && code < 0xE000) {
        if (high != 0) {
            Character(0x10000 + ((high - 0xD800) << 10) + (code - 0xDC00));
        }
    } else if (code <= 0x10FFFF) {
        Character(code);
    }
    fallbackLeft_ = state_.fallbackLength;
}

void RtfReader::AddText(const std::string& utf8) {
    if (utf8.empty() || state_.destination != Destination::Text || state_.hidden) {
        return;
    }
    TextStyle style = StyleNow();
    std::vector<TextRun>& runs = paragraph_.runs;
    if (runs.empty() || runs.back().picture >= 0 || runs.back().style != style) {
        runs.push_back({utf8, std::move(style)});
    } else {
        runs.back().text += utf8;
    }
}

// A picture whose group has just closed, in the style of the text around it. One that
// cannot be decoded, or comes after the document's pictures have used up their pixels, keeps
// its place and size, blank.
void RtfReader::AddPicture() {
    const PictureBeingRead picture = std::exchange(picture_, {});
    if (state_.destination != Destination::Text || state_.hidden) {
        return;
    }
    Bitmap bitmap;
    if (picturePixelsLeft_ > 0) {
        try {
            bitmap = DecodePicture(picture);
        } catch (const std::exception&) {
            bitmap = {};
        }
        const std::int64_t pixels = std::int64_t{bitmap.Width()} * bitmap.Height();
        if (pixels > picturePixelsLeft_) {
            bitmap = {};
            picturePixelsLeft_ = 0;
        } else {
            picturePixelsLeft_ -= pixels;
        }
    }
    const auto size = ShownSize(picture, bitmap);
    if (!size) {
        return;
    }
    const auto index = static_cast<int>(document_.pictures.size());
    document_.pictures.push_back({std::move(bitmap), size->first, size->second});
    paragraph_.runs.push_back({std::string(kPictureCharacter), StyleNow(), index});
}

TextParagraph RtfReader::TakeParagraph() {
    const ParagraphFormat& format = state_.paragraph;
    TextParagraph paragraph = std::exchange(paragraph_, {});
    paragraph.alignment = format.alignment;
    paragraph.leftIndent = format.leftIndent;
    paragraph.rightIndent = format.rightIndent;
    paragraph.firstIndent = format.firstIndent;
    paragraph.spaceBefore = format.spaceBefore;
    paragraph.spaceAfter = format.spaceAfter;
    paragraph.lineSpacing = format.lineSpacing;
    paragraph.lineMultiple = format.lineMultiple;
    paragraph.tabs = format.tabs;
    paragraph.endStyle = StyleNow();
    return paragraph;
}

// Inside a row a paragraph belongs to the cell being read: some writers (pandoc among them)
// reset the paragraph's \intbl with \pard inside their cells, so a row that has begun
// counts as much as the mark.
void RtfReader::EndParagraph() {
    if (rowOpen_ || state_.paragraph.inTable) {
        cellParagraphs_.push_back(TakeParagraph());
        return;
    }
    if (!cellsRead_.empty() || !cellParagraphs_.empty()) {
        EndRow(); // a row its writer never ended
    }
    document_.blocks.push_back(TakeParagraph());
}

// A paragraph already ended by \par is the cell's last; an empty one after it is not kept.
void RtfReader::EndCell() {
    if (!paragraph_.runs.empty() || cellParagraphs_.empty()) {
        cellParagraphs_.push_back(TakeParagraph());
    }
    cellsRead_.push_back(std::exchange(cellParagraphs_, {}));
    rowOpen_ = true;
}

// The cells read since the last row, laid out by the row definition in force now: writers
// give it before the cells' text (pandoc), after it, just before \row, or both (Word,
// LibreOffice).
void RtfReader::EndRow() {
    if (!paragraph_.runs.empty() || !cellParagraphs_.empty()) {
        EndCell();
    }
    rowOpen_ = false;
    if (cellsRead_.empty()) {
        return;
    }
    TableRow row;
    row.left = row_.left;
    row.height = row_.height;
    const std::size_t count = std::max(cellsRead_.size(), row_.cells.size());
    int left = row_.left;
    for (std::size_t i = 0; i < count; ++i) {
        const bool defined = i < row_.cells.size();
        const CellDefinition definition = defined ? row_.cells[i] : CellDefinition{};
        TableCell cell = definition.cell;
        if (!defined) {
            cell.right = std::min(left + kUndefinedCellWidth, kMaxIndent);
        }
        AddRowBorders(cell, i == 0, i + 1 == count);
        cell.shading = ShadingOf(definition);
        cell.paddingLeft = definition.paddingLeft.value_or(row_.paddingLeft.value_or(row_.gap));
        cell.paddingRight = definition.paddingRight.value_or(row_.paddingRight.value_or(row_.gap));
        cell.paddingTop = definition.paddingTop.value_or(row_.paddingTop);
        cell.paddingBottom = definition.paddingBottom.value_or(row_.paddingBottom);
        if (i < cellsRead_.size()) {
            cell.paragraphs = std::move(cellsRead_[i]);
        }
        if (cell.paragraphs.empty()) {
            TextParagraph empty;
            empty.endStyle = StyleNow();
            cell.paragraphs.push_back(std::move(empty));
        }
        left = cell.right;
        row.cells.push_back(std::move(cell));
    }
    cellsRead_.clear();
    document_.blocks.push_back(std::move(row));
}

TextStyle RtfReader::StyleNow() const {
    TextStyle style = state_.style;
    const auto font = fonts_.find(state_.font >= 0 ? state_.font : defaultFont_);
    if (font != fonts_.end()) {
        style.font = font->second.name;
    }
    return style;
}

int RtfReader::CodePageNow() const {
    const auto font = fonts_.find(state_.font >= 0 ? state_.font : defaultFont_);
    const int fontCodePage = font != fonts_.end() ? font->second.codePage : 0;
    return fontCodePage != 0 ? fontCodePage : documentCodePage_;
}

} // namespace

bool IsRichText(std::string_view text) {
    return text.starts_with("{\\rtf");
}

RichDocument ReadRichText(std::string_view rtf) {
    return RtfReader(rtf).Read();
}

RichDocument PlainTextDocument(std::string_view windows1252Text, const TextStyle& style) {
    RichDocument document;
    TextParagraph paragraph;
    paragraph.endStyle = style;
    std::string line;
    const auto endLine = [&] {
        TextParagraph done = paragraph;
        if (!line.empty()) {
            done.runs.push_back({std::move(line), style});
        }
        document.blocks.push_back(std::move(done));
        line.clear();
    };
    for (std::size_t i = 0; i < windows1252Text.size(); ++i) {
        const char c = windows1252Text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < windows1252Text.size() && windows1252Text[i + 1] == '\n') {
                ++i;
            }
            endLine();
        } else {
            line += DecodeByte(static_cast<unsigned char>(c), kWindows1252);
        }
    }
    endLine();
    return document;
}

RichDocument ReadTextDocument(std::string_view fileText, const TextStyle& plainStyle) {
    return IsRichText(fileText) ? ReadRichText(fileText) : PlainTextDocument(fileText, plainStyle);
}

} // namespace velkaro
