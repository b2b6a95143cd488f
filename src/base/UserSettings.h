#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velkaro {

// The player's own folders, as the XDG base directory rules name them: $XDG_DATA_HOME, else
// ~/.local/share; $XDG_CONFIG_HOME, else ~/.config. A variable that is not an absolute path
// counts as unset. Empty when neither it nor $HOME is set.
std::filesystem::path UserDataHome();
std::filesystem::path UserConfigHome();

// The player's settings file ($XDG_CONFIG_HOME/velkaro/settings): plain text, one
// "key = value" a line, "#" starting a comment line. Settings for all games come first; a line
// "[game PATH]" starts the settings of the game file at PATH, which win over those for all
// games. Lines that mean nothing are kept as they are, so that a player's own notes survive
// the player writing the file again.
class UserSettings {
public:
    // The settings file's path; empty when the player has no config folder.
    static std::filesystem::path DefaultFile();
    // The name a game file's settings go under: its absolute path.
    static std::string GameKey(const std::filesystem::path& gameFile);

    UserSettings() = default;
    // The settings read from `file`; none when it does not exist or cannot be read.
    explicit UserSettings(std::filesystem::path file);

    const std::filesystem::path& File() const { return file_; }

    // The value for `game` (a game file's absolute path), else for all games; none when unset.
    std::optional<std::string> Get(std::string_view key, std::string_view game = {}) const;
    // Sets the value for `game`, or for all games when `game` is empty.
    void Set(std::string_view key, std::string value, std::string_view game = {});

    // The file's text as Save writes it.
    std::string Text() const;
    // Writes the file whole (its folder made when missing). Throws FileWriteError.
    void Save() const;

    // Reads settings text.
    void Parse(std::string_view text);

private:
    struct Line {
        std::string key; // empty for a line kept as it is
        std::string value;
        std::string text;
    };
    struct Section {
        std::string game; // empty for the settings of all games
        std::vector<Line> lines;
    };

    Section* Find(std::string_view game);
    const Section* Find(std::string_view game) const;

    std::filesystem::path file_;
    std::vector<Section> sections_{Section{}};
};

} // namespace velkaro
