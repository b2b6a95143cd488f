#include "script/SavedValues.h"

#include "base/AnsiText.h"
#include "base/Files.h"
#include "base/NumberText.h"
#include "base/WholeFile.h"
#include "platform/Dialogs.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <optional>
#include <sstream>
#include <system_error>

namespace velkaro {
namespace {

constexpr std::string_view kIodataVersion = "version 1.4";
constexpr std::string_view kLineEnd = "\r\n";

// Lines end in CR LF; a line feed alone is taken as well, as an editor may leave it.
class LineReader {
public:
    explicit LineReader(std::string_view text) : text_(text) {}

    std::optional<std::string_view> Next() {
        if (position_ >= text_.size()) {
            return std::nullopt;
        }
        std::size_t end = text_.find('\n', position_);
        if (end == std::string_view::npos) {
            end = text_.size();
        }
        std::string_view line = text_.substr(position_, end - position_);
        position_ = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        return line;
    }

private:
    std::string_view text_;
    std::size_t position_ = 0;
};

// The fields of one line, read from left to right. Numbers may be preceded by blanks and a
// "+", as the files of the earlier program may hold them.
class FieldReader {
public:
    explicit FieldReader(std::string_view line) : line_(line) {}

    std::optional<std::int32_t> Integer() {
        SkipBlanks();
        SkipPlus();
        std::int32_t value = 0;
        const auto [end, error] = std::from_chars(Here(), End(), value);
        return Advance(end, error) ? std::optional(value) : std::nullopt;
    }

    std::optional<double> Real() {
        SkipBlanks();
        SkipPlus();
        double value = 0;
        const auto [end, error] = std::from_chars(Here(), End(), value, std::chars_format::general);
        return Advance(end, error) ? std::optional(value) : std::nullopt;
    }

    // The one character that separates a kind from its value; none at the end of the line,
    // where a trailing blank may have been cut off.
    void SkipSeparator() {
        if (position_ < line_.size()) {
            ++position_;
        }
    }

    std::string_view Rest() const { return line_.substr(position_); }

private:
    const char* Here() const { return line_.data() + position_; }
    const char* End() const { return line_.data() + line_.size(); }

    bool Advance(const char* end, std::errc error) {
        if (error != std::errc()) {
            return false;
        }
        position_ = static_cast<std::size_t>(end - line_.data());
        return true;
    }
    void SkipBlanks() {
        while (position_ < line_.size() && (line_[position_] == ' ' || line_[position_] == '\t')) {
            ++position_;
        }
    }
    void SkipPlus() {
        if (position_ + 1 < line_.size() && line_[position_] == '+' &&
            line_[position_ + 1] != '-') {
            ++position_;
        }
    }

    std::string_view line_;
    std::size_t position_ = 0;
};

struct Reading {
    std::vector<CSavedValues::Entry> entries;
    bool wrongVersion = false;
    bool damaged = false;
};

// The count line: the number of entries that follow, the rest of the line ignored.
std::optional<std::int32_t> ReadCount(LineReader& lines) {
    const auto line = lines.Next();
    if (!line) {
        return std::nullopt;
    }
    const auto count = FieldReader(*line).Integer();
    if (!count || *count < 0) {
        return std::nullopt;
    }
    return count;
}

std::optional<CSavedValues::Entry> ReadIodataEntry(std::string_view line) {
    FieldReader fields(line);
    const auto key = fields.Integer();
    const auto kind = fields.Integer();
    if (!key || !kind) {
        return std::nullopt;
    }
    fields.SkipSeparator();
    if (*kind == kStringValue) {
        return CSavedValues::Entry{*key, RValue::String(std::string(fields.Rest()))};
    }
    if (*kind == kRealValue) {
        if (const auto real = fields.Real()) {
            return CSavedValues::Entry{*key, RValue::Real(*real)};
        }
    }
    return std::nullopt;
}

std::optional<CSavedValues::Entry> ReadOldEntry(std::string_view line) {
    FieldReader fields(line);
    const auto key = fields.Integer();
    const auto real = key ? fields.Real() : std::nullopt;
    if (!real) {
        return std::nullopt;
    }
    return CSavedValues::Entry{*key, RValue::Real(*real)};
}

template <typename ReadEntry>
void ReadEntries(LineReader& lines, ReadEntry readEntry, Reading& reading) {
    const auto count = ReadCount(lines);
    if (!count) {
        reading.damaged = true;
        return;
    }
    for (std::int32_t i = 0; i < *count; ++i) {
        const auto line = lines.Next();
        const auto entry = line ? readEntry(*line) : std::nullopt;
        if (!entry) {
            reading.damaged = true;
            return;
        }
        reading.entries.push_back(*entry);
    }
}

Reading ReadIodata(std::string_view text) {
    Reading reading;
    LineReader lines(text);
    if (lines.Next() != kIodataVersion) {
        reading.wrongVersion = true;
        return reading;
    }
    ReadEntries(lines, ReadIodataEntry, reading);
    return reading;
}

Reading ReadOldValues(std::string_view text) {
    Reading reading;
    LineReader lines(text);
    ReadEntries(lines, ReadOldEntry, reading);
    return reading;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    const auto bytes = ReadFileWhole(path);
    if (!bytes) {
        return std::nullopt;
    }
    return std::string(bytes->begin(), bytes->end());
}

std::string DamagedMessage(std::string_view fileName, std::size_t entriesRead) {
    std::ostringstream message;
    message << "The file \"" << fileName << "\" is damaged: ";
    if (entriesRead == 0) {
        message << "none of its values were read.";
    } else {
        message << "only the first " << entriesRead << " of its values were read.";
    }
    return message.str();
}

std::string UnreadableMessage(std::string_view fileName) {
    return "The file \"" + std::string(fileName) + "\" cannot be read.";
}

} // namespace

void CSavedValues::LoadValues(const Files& files, Dialogs& dialogs) {
    Clear();
    std::string_view fileName = kSavedValuesFile;
    Reading (*read)(std::string_view) = ReadIodata;
    if (!files.SavedFileExists(kSavedValuesFile)) {
        if (!files.SavedFileExists(kOlderSavedValuesFile)) {
            return;
        }
        fileName = kOlderSavedValuesFile;
        read = ReadOldValues;
    }
    const std::filesystem::path path = files.ResolveSaved(fileName);
    const auto text = ReadWholeFile(path);
    if (!text) {
        dialogs.ShowFailure(UnreadableMessage(fileName), path);
        return;
    }
    Reading reading = read(*text);
    if (reading.wrongVersion) {
        dialogs.ShowFailure(kUnexpectedValuesVersion, path);
        return;
    }
    entries_ = std::move(reading.entries);
    if (reading.damaged) {
        dialogs.ShowFailure(DamagedMessage(fileName, entries_.size()), path);
    }
}

void CSavedValues::SaveValues(const Files& files, Dialogs& dialogs) {
    if (!changed_ || entries_.empty()) {
        return;
    }
    if (!files.CanSave()) {
        dialogs.ShowFailure(kCannotSaveValues, files.SavesFolder());
        return;
    }
    try {
        const std::filesystem::path written = files.SaveFile(kSavedValuesFile, IodataText());
        if (written.parent_path() != files.SavesFolder()) {
            dialogs.Log(kValuesSavedElsewhere, written);
        }
    } catch (const FileWriteError& error) {
        dialogs.Log(error.what());
        dialogs.ShowMessage(kValuesNotWritten);
        return;
    }
    changed_ = false;
}

RValue CSavedValues::GetSavedValue(std::int32_t key) const {
    const Entry* entry = Find(key);
    return entry != nullptr ? entry->value : RValue();
}

void CSavedValues::SetSavedValue(std::int32_t key, RValue value) {
    Entry* entry = Find(key);
    if (entry == nullptr) {
        entries_.push_back(Entry{key, std::move(value)});
        changed_ = true;
    } else if (!(entry->value == value)) {
        entry->value = std::move(value);
        changed_ = true;
    }
}

void CSavedValues::Clear() {
    entries_.clear();
    changed_ = false;
}

std::string CSavedValues::IodataText() const {
    std::string text(kIodataVersion);
    text += kLineEnd;
    text += std::to_string(entries_.size());
    text += kLineEnd;
    for (const Entry& entry : entries_) {
        text += std::to_string(entry.key);
        text += ' ';
        text += std::to_string(entry.value.kind);
        text += ' ';
        // A line break in a string would end its entry early and turn the rest into entries
        // of its own; the file keeps its lines, and the string keeps its place, with blanks.
        text += entry.value.IsString() ? OnOneLine(entry.value.string)
                                       : FormatSavedReal(entry.value.real);
        text += kLineEnd;
    }
    return text;
}

CSavedValues::Entry* CSavedValues::Find(std::int32_t key) {
    for (Entry& entry : entries_) {
        if (entry.key == key) {
            return &entry;
        }
    }
    return nullptr;
}

const CSavedValues::Entry* CSavedValues::Find(std::int32_t key) const {
    for (const Entry& entry : entries_) {
        if (entry.key == key) {
            return &entry;
        }
    }
    return nullptr;
}
} // namespace velkaro
