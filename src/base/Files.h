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

    // Resolve and FileExists for the files of the saves folder.
    std::filesystem::path ResolveSaved(std::string_view name) const;
    bool SavedFileExists(std::string_view name) const;

private:
    std::filesystem::path dataFolder_;
    std::filesystem::path savesFolder_;
};

// Case-blind lookup of a path's components, starting from its root or the current folder.
std::filesystem::path MatchPathWithoutCase(const std::filesystem::path& path);

} // namespace velkaro
