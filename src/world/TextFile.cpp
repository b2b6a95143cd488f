#include "world/TextFile.h"

#include "base/NumberText.h"
#include "base/WholeFile.h"

#include <charconv>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace velkaro {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Numbers in a file may carry a "+", as other programs write them.
std::string_view WithoutPlus(std::string_view word) {
    if (word.size() > 1 && word.front() == '+') {
        word.remove_prefix(1);
    }
    return word;
}

// The whole word as a number, or none when any of it is not part of one. from_chars never
// looks at the locale.
template <typename Number> std::optional<Number> ParseWhole(std::string_view word) {
    word = WithoutPlus(word);
    Number value{};
    std::from_chars_result result;
    if constexpr (std::is_floating_point_v<Number>) {
        result = std::from_chars(word.data(), word.data() + word.size(), value,
                                 std::chars_format::general);
    } else {
        result = std::from_chars(word.data(), word.data() + word.size(), value);
    }
    if (result.ec != std::errc() || result.ptr != word.data() + word.size()) {
        return std::nullopt;
    }
    return value;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

} // namespace

CTextFile::~CTextFile() {
    (void)Close();
}

std::optional<std::string> CTextFile::OpenRead(const std::filesystem::path& path,
                                               const std::string& name) {
    (void)Close();
    // Every value read from the file is a string game code holds: a file longer than a string
    // may be is refused before it is read.
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (!error && size > limits::kStringLength) {
        return "The file " + Quoted(name) + " is too large to read.";
    }
    auto bytes = ReadFileWhole(path);
    if (!bytes) {
        return "The file " + Quoted(name) + " cannot be read.";
    }
    text_.assign(bytes->begin(), bytes->end());
    position_ = 0;
    name_ = name;
    state_ = State::Reading;
    return std::nullopt;
}

std::optional<std::string> CTextFile::OpenWrite(const std::filesystem::path& path,
                                                const std::string& name) {
    (void)Close();
    written_.insert(path);
    out_.open(path, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!out_.is_open()) {
        out_.clear();
        return "The file " + Quoted(name) + " cannot be created.";
    }
    name_ = name;
    state_ = State::Writing;
    return std::nullopt;
}

std::optional<std::string> CTextFile::Close() {
    std::optional<std::string> failure;
    if (state_ == State::Writing) {
        failure = CloseWriting();
    }
    text_.clear();
    text_.shrink_to_fit();
    position_ = 0;
    state_ = State::Closed;
    return failure;
}

std::optional<std::string> CTextFile::CloseWriting() {
    out_.close();
    const bool written = !out_.fail();
    out_.clear();
    return written ? std::nullopt : WriteFailed();
}

std::optional<std::string> CTextFile::WriteFailed() const {
    return "The file " + Quoted(name_) + " cannot be written.";
}

std::optional<std::string> CTextFile::Write(const RValue& value) {
    if (state_ != State::Writing) {
        return "There is no file open for writing.";
    }
    std::string line = std::to_string(value.kind);
    line += ' ';
    line += value.IsString() ? value.string : FormatSavedReal(value.real);
    line += kLineEnd;
    out_.write(line.data(), static_cast<std::streamsize>(line.size()));
    if (!out_.good()) {
        return WriteFailed();
    }
    return std::nullopt;
}

std::optional<std::string> CTextFile::Read(RValue& value) {
    if (state_ != State::Reading) {
        return "There is no file open for reading.";
    }
    SkipBlanksAndLineEnds();
    if (AtEnd()) {
        return "The end of the file " + Quoted(name_) + " has been reached.";
    }
    const std::size_t lineStart = position_;
    const std::string kindWord = Word();
    const auto kind = ParseWhole<std::int32_t>(kindWord);
    if (!kind) {
        return FailInLine(lineStart, "holds " + Quoted(kindWord) + " where a number belongs.");
    }
    if (*kind != kRealValue && *kind != kStringValue) {
        return FailInLine(lineStart, "holds a value of kind " + kindWord +
                                         "; values are of kind 0 (real) or 1 (string).");
    }
    if (!AtEnd() && !AtLineEnd()) {
        ++position_; // the separator
    }
    if (*kind == kStringValue) {
        value = RValue::String(RestOfLine());
        return std::nullopt;
    }
    SkipBlanks();
    const std::string realWord = Word();
    if (realWord.empty()) {
        return FailInLine(lineStart, "ends where a number belongs.");
    }
    const auto real = ParseWhole<double>(realWord);
    if (!real) {
        return FailInLine(lineStart, "holds " + Quoted(realWord) + " where a number belongs.");
    }
    RestOfLine();
    value = RValue::Real(*real);
    return std::nullopt;
}

std::optional<std::string> CTextFile::FailInLine(std::size_t lineStart, const std::string& reason) {
    RestOfLine();
    return "Line " + std::to_string(LineAt(lineStart)) + " of the file " + Quoted(name_) + " " +
           reason;
}

bool CTextFile::AtLineEnd() const {
    return IsLineEnd(text_[position_]);
}

void CTextFile::SkipBlanks() {
    while (!AtEnd() && IsBlank(text_[position_])) {
        ++position_;
    }
}

void CTextFile::SkipBlanksAndLineEnds() {
    while (!AtEnd() && (IsBlank(text_[position_]) || AtLineEnd())) {
        ++position_;
    }
}

std::string CTextFile::Word() {
    const std::size_t start = position_;
    while (!AtEnd() && !IsBlank(text_[position_]) && !AtLineEnd()) {
        ++position_;
    }
    return text_.substr(start, position_ - start);
}

std::string CTextFile::RestOfLine() {
    const std::size_t start = position_;
    while (!AtEnd() && !AtLineEnd()) {
        ++position_;
    }
    std::string rest = text_.substr(start, position_ - start);
    if (!AtEnd() && text_[position_] == '\r') {
        ++position_;
    }
    if (!AtEnd() && text_[position_] == '\n') {
        ++position_;
    }
    return rest;
}

std::size_t CTextFile::LineAt(std::size_t position) const {
    std::size_t line = 1;
    for (std::size_t i = 0; i < position && i < text_.size(); ++i) {
        // A CR LF pair counts once; a lone CR ends a line as well.
        if (text_[i] == '\n' ||
            (text_[i] == '\r' && (i + 1 >= text_.size() || text_[i + 1] != '\n'))) {
            ++line;
        }
    }
    return line;
}

} // namespace velkaro
