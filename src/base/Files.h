#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velkaro {

// Turns the file names that games store and use into real paths. Games were written for a
// system where "\" separates folders and letter case does not matter: a name is resolved
// against the data folder with "\" read as "/", and when the exact path does not exist each
// component is matched without regard to letter case. Names are game texts (Windows-1252).
class Files {
public:
    Files() = default;
    explicit Files(std::filesystem::path dataFolder) : dataFolder_(std::move(dataFolder)) {}

    const std::filesystem::path& DataFolder() const { return dataFolder_; }

    // The folder of the player's saved values and high-score table: the data folder, unless
    // another has been set (a replayed play keeps them apart from the player's own).
    const std::filesystem::path& SavesFolder() const {
        return savesFolder_.empty() ? dataFolder_ : savesFolder_;
    }
    void SetSavesFolder(std::filesystem::path folder) { savesFolder_ = std::move(folder); }

    // The path a name in the data folder stands for. When nothing matches, the path as given
    // (separators converted), so that a new file is created with the name as written.
    std::filesystem::path Resolve(std::string_view name) const;

    // Whether a regular file exists under the name. The data folder itself, or any folder,
    // is not a file.
    bool FileExists(std::string_view name) const;

    // A folder of the player's own for the saves that the saves folder cannot take (a game
    // installed read-only, on a disc, in another user's folder).
    const std::filesystem::path& FallbackSavesFolder() const { return fallbackFolder_; }
    void SetFallbackSavesFolder(std::filesystem::path folder) {
        fallbackFolder_ = std::move(folder);
    }

    // Resolve and FileExists for the saved files. A file found in the fallback folder comes
    // first: it was written there because the saves folder could not take it, so it is what
    // the game saved last.
    std::filesystem::path ResolveSaved(std::string_view name) const;
    bool SavedFileExists(std::string_view name) const;
    // Whether a saved file has anywhere to go: the saves folder exists, or there is a fallback.
    bool CanSave() const;
    // Writes the saved file whole into the saves folder or, when that fails, into the fallback
    // folder (made when missing). Answers the file written. A save into the saves folder removes
    // the fallback's copy, which would be read first otherwise. Throws FileWriteError when it
    // could be written nowhere.
    std::filesystem::path SaveFile(std::string_view name, std::string_view text) const;

private:
    std::filesystem::path dataFolder_;
    std::filesystem::path savesFolder_;
    std::filesystem::path fallbackFolder_;
};

// Case-blind lookup of a path's components, starting from its root or the current folder.
std::filesystem::path MatchPathWithoutCase(const std::filesystem::path& path);

} // namespace velkaro
