#include "data/OptionsUnit.h"

#include <cctype>
#include <charconv>
#include <optional>

namespace velkaro {
namespace {

bool EqualWithoutCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The value of the first entry whose key is `key` (any letter case); none when no entry has
// it. Entries without "=" never match.
std::optional<std::string> Lookup(const std::vector<std::string>& entries, std::string_view key) {
    for (const auto& entry : entries) {
        const std::size_t eq = entry.find('=');
        if (eq != std::string::npos &&
            EqualWithoutCase(std::string_view(entry).substr(0, eq), key)) {
            return entry.substr(eq + 1);
        }
    }
    return std::nullopt;
}

std::int32_t ToInteger(const std::string& text) {
    std::string_view digits = text;
    while (!digits.empty() && digits.front() == ' ') {
        digits.remove_prefix(1);
    }
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
    }
    std::int32_t value = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) {
        throw GameFileError("'" + text + "' is not a valid integer value");
    }
    return value;
}

// Reads the options of the table in its order, each keeping its default when its entry is
// missing or empty.
class OptionReader {
public:
    OptionReader(const std::vector<std::string>& entries, const std::string& dataFolder)
        : entries_(entries), dataFolder_(dataFolder) {}

    void Bool(std::string_view key, bool& field) const {
        if (auto value = NonEmpty(key)) {
            field = *value == "1";
        }
    }
    void Int(std::string_view key, std::int32_t& field) const {
        if (auto value = NonEmpty(key)) {
            field = ToInteger(*value);
        }
    }
    void Colour(std::string_view key, velkaro::Colour& field) const {
        if (auto value = NonEmpty(key)) {
            field = static_cast<velkaro::Colour>(ToInteger(*value));
        }
    }
    void FileName(std::string_view key, std::string& field) const {
        if (auto value = NonEmpty(key)) {
            field = dataFolder_ + *value;
        }
    }
    std::optional<std::string> NonEmpty(std::string_view key) const {
        auto value = Lookup(entries_, key);
        if (!value || value->empty()) {
            return std::nullopt;
        }
        return value;
    }

private:
    const std::vector<std::string>& entries_;
    const std::string& dataFolder_;
};

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

void ApplyOptionEntries(const std::vector<std::string>& entries, const std::string& dataFolder,
                        GameOptions& o) {
    const OptionReader r(entries, dataFolder);
    r.Bool("fullscreen", o.fullscreen);
    r.Bool("showcursor", o.showcursor);
    r.Bool("screenkey", o.screenkey);
    r.Bool("helpkey", o.helpkey);
    r.Bool("quitkey", o.quitkey);
    r.Bool("showscore", o.showscore);
    r.FileName("highscorefilename", o.highscorefilename);
    r.Bool("highscoreborder", o.highscoreborder);
    r.Bool("music", o.music);
    if (r.NonEmpty("music")) {
        if (auto list = r.NonEmpty("playlist")) {
            for (const auto& entry : SplitPlayList(*list)) {
                o.playlist.push_back(dataFolder + entry);
            }
        }
    }
    r.Int("musicorder", o.musicorder);
    r.Int("start", o.start);
    r.FileName("startfilename", o.startfilename);
    r.Bool("startfull", o.startfull);
    r.Bool("startloop", o.startloop);
    r.Int("startdelay", o.startdelay);
    r.Colour("startcolor", o.startcolor);
    r.Bool("startmusic", o.startmusic);
    r.Int("end", o.end);
    r.FileName("endfilename", o.endfilename);
    r.Bool("endfull", o.endfull);
    r.Bool("endloop", o.endloop);
    r.Int("enddelay", o.enddelay);
    r.Colour("endcolor", o.endcolor);
    r.Bool("endmusic", o.endmusic);
    r.Int("collisions", o.collisions);
    r.Bool("continuous", o.continuous);
    r.Bool("exclusive", o.exclusive);
    r.Bool("preprocess", o.preprocess);
    r.Bool("stopmoving", o.stopmoving);
    r.Bool("precise", o.precise);
}

void ReadOptions(LoadContext& context, GameOptions& options) {
    options.Reset();
    if (!ReadVersion(context, "Internal error in options version.")) {
        return;
    }
    const std::int32_t count = ReadCount(context, "option", 4);
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        entries.push_back(ReadString(context.stream));
    }
    ApplyOptionEntries(entries, context.dataFolder, options);
}

std::vector<std::string> SplitPlayList(const std::string& text) {
    std::vector<std::string> result;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && IsBlank(text[i])) {
            ++i;
        }
    };
    skipBlanks();
    if (i >= text.size()) {
        return result;
    }
    while (true) {
        std::string entry;
        if (text[i] == '"') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        entry += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                entry += text[i++];
            }
        } else {
            while (i < text.size() && text[i] != ',' && !IsBlank(text[i])) {
                entry += text[i++];
            }
        }
        result.push_back(std::move(entry));
        skipBlanks();
        if (i >= text.size() || text[i] != ',') {
            break;
        }
        ++i;
        skipBlanks();
    }
    return result;
}

} // namespace velkaro
