#include "base/UserSettings.h"

#include "base/WholeFile.h"

#include <cstdlib>

namespace velkaro {
namespace {

constexpr std::string_view kGamePrefix = "[game ";

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::filesystem::path FolderFrom(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value != nullptr && std::filesystem::path(value).is_absolute()) {
        return value;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') {
        return {};
    }
    return std::filesystem::path(home) / fallback;
}

} // namespace

std::filesystem::path UserDataHome() {
    return FolderFrom("XDG_DATA_HOME", ".local/share");
}

std::filesystem::path UserConfigHome() {
    return FolderFrom("XDG_CONFIG_HOME", ".config");
}

std::filesystem::path UserSettings::DefaultFile() {
    const std::filesystem::path config = UserConfigHome();
    return config.empty() ? config : config / "velkaro" / "settings";
}

std::string UserSettings::GameKey(const std::filesystem::path& gameFile) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(gameFile, error);
    return (error ? gameFile : absolute).lexically_normal().string();
}

UserSettings::UserSettings(std::filesystem::path file) : file_(std::move(file)) {
    if (const auto bytes = ReadFileWhole(file_)) {
        Parse(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    }
}

void UserSettings::Parse(std::string_view text) {
    sections_.assign(1, Section{});
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::string_view line = Trimmed(raw);
        if (line.starts_with(kGamePrefix) && line.ends_with(']')) {
            sections_.push_back({std::string(Trimmed(line.substr(
                                     kGamePrefix.size(), line.size() - kGamePrefix.size() - 1))),
                                 {}});
            continue;
        }
        const auto equals = line.find('=');
        if (line.empty() || line.front() == '#' || equals == std::string_view::npos ||
            Trimmed(line.substr(0, equals)).empty()) {
            sections_.back().lines.push_back({{}, {}, std::string(raw)});
            continue;
        }
        sections_.back().lines.push_back({std::string(Trimmed(line.substr(0, equals))),
                                          std::string(Trimmed(line.substr(equals + 1))),
                                          std::string(raw)});
    }
}

UserSettings::Section* UserSettings::Find(std::string_view game) {
    for (Section& section : sections_) {
        if (section.game == game) {
            return &section;
        }
    }
    return nullptr;
}

const UserSettings::Section* UserSettings::Find(std::string_view game) const {
    return const_cast<UserSettings*>(this)->Find(game);
}

std::optional<std::string> UserSettings::Get(std::string_view key, std::string_view game) const {
    for (const std::string_view where : {game, std::string_view()}) {
        if (const Section* section = Find(where)) {
            // The last line of a key wins, as a player who adds a line below expects.
            for (auto line = section->lines.rbegin(); line != section->lines.rend(); ++line) {
                if (line->key == key) {
                    return line->value;
                }
            }
        }
    }
    return std::nullopt;
}

void UserSettings::Set(std::string_view key, std::string value, std::string_view game) {
    Section* section = Find(game);
    if (section == nullptr) {
        sections_.push_back({std::string(game), {}});
        section = &sections_.back();
    }
    std::string text = std::string(key) + " = " + value;
    for (auto line = section->lines.rbegin(); line != section->lines.rend(); ++line) {
        if (line->key == key) {
            line->value = std::move(value);
            line->text = std::move(text);
            return;
        }
    }
    section->lines.push_back({std::string(key), std::move(value), std::move(text)});
}

std::string UserSettings::Text() const {
    std::string text;
    for (const Section& section : sections_) {
        if (!section.game.empty()) {
            text += std::string(kGamePrefix) + section.game + "]\n";
        }
        for (const Line& line : section.lines) {
            text += line.text + "\n";
        }
    }
    return text;
}

void UserSettings::Save() const {
    std::error_code error;
    std::filesystem::create_directories(file_.parent_path(), error);
    WriteFileWhole(file_, Text());
}

} // namespace velkaro
