#include "codecs/RichText.h"

#include "base/AnsiText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <optional>
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

enum class Destination { Text, FontTable, ColourTable, Skip };

struct ParagraphFormat {
    Alignment alignment = Alignment::Left;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
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
    Binary
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
    {"info", "stylesheet", "pict", "header", "headerl", "headerr", "headerf", "footer", "footerl",
     "footerr", "footerf", "footnote", "fldinst", "object", "nonshppict", "shp", "annotation"});
constexpr auto kHiddenTables = std::to_array<std::string_view>(
    {"listtable", "listoverridetable", "revtbl", "rsidtbl", "xmlnstbl", "themedata", "private",
     "colorschememapping", "latentstyles", "datastore", "pgdsctbl", "generator", "filetbl",
     "bkmkstart", "bkmkend", "ftnsep", "ftnsepc", "ftncn", "userprops"});
// Every kind of line is an underline here.
constexpr auto kUnderlines = std::to_array<std::string_view>(
    {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd",
     "ulthdash", "ulthldash", "ululdbwave", "ulw", "ulwave"});
// Sections, pages and table rows end paragraphs too.
constexpr auto kParagraphEnds = std::to_array<std::string_view>({"par", "sect", "page", "row"});

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
    {"tab", Action::Character, '\t'},
    {"cell", Action::Character, '\t'},
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
    void ControlSymbol(char symbol);
    void Byte(unsigned char byte);
    void Character(char32_t c);
    void Unicode(int number);
    void AddText(const std::string& utf8);
    void EndParagraph();
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
    if (saved_.size() >= kMaxDepth) {
        SkipDeepGroup();
        return;
    }
    saved_.push_back(state_);
}

bool RtfReader::CloseGroup() {
    fallbackLeft_ = 0;
    if (saved_.empty()) {
        return false;
    }
    state_ = std::move(saved_.back());
    saved_.pop_back();
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
    if (found && found->action == Action::Binary) {
        // Raw bytes follow, in any destination.
        const auto count = static_cast<std::size_t>(std::max(parameter.value_or(0), 0));
        pos_ += std::min(count, rtf_.size() - pos_);
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
    case Destination::Text:
        TextControlWord(*found, parameter);
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
    case Action::ParagraphEnd:
        EndParagraph();
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

void RtfReader::ControlSymbol(char symbol) {
    switch (symbol) {
    case '*':
        // Destinations marked so may be skipped by readers that do not know them; those this
        // reader knows are not marked.
        fallbackLeft_ = 0;
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
    if (runs.empty() || runs.back().style != style) {
        runs.push_back({utf8, std::move(style)});
    } else {
        runs.back().text += utf8;
    }
}

void RtfReader::EndParagraph() {
    const ParagraphFormat& format = state_.paragraph;
    paragraph_.alignment = format.alignment;
    paragraph_.leftIndent = format.leftIndent;
    paragraph_.rightIndent = format.rightIndent;
    paragraph_.firstIndent = format.firstIndent;
    paragraph_.spaceBefore = format.spaceBefore;
    paragraph_.spaceAfter = format.spaceAfter;
    paragraph_.endStyle = StyleNow();
    document_.paragraphs.push_back(std::move(paragraph_));
    paragraph_ = {};
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
        document.paragraphs.push_back(std::move(done));
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
