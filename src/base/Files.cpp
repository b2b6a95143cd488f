#include "base/Files.h"

#include "base/AnsiText.h"
#include "base/WholeFile.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace velkaro {
namespace {

bool SameWithoutCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The entry of `folder` named `name` in any letter case; the exact name wins.
std::filesystem::path MatchEntry(const std::filesystem::path& folder, const std::string& name) {
    std::error_code ec;
    auto exact = folder / name;
    if (std::filesystem::exists(exact, ec)) {
        return exact;
    }
    for (const auto& entry :
         std::filesystem::directory_iterator(folder.empty() ? "." : folder, ec)) {
        if (SameWithoutCase(entry.path().filename().string(), name)) {
            return folder / entry.path().filename();
        }
    }
    return exact;
}

// `base` followed by the components of `relative`, each matched without regard to letter case.
std::filesystem::path MatchComponents(std::filesystem::path base,
                                      const std::filesystem::path& relative) {
    std::error_code ec;
    auto exact = base / relative;
    if (std::filesystem::exists(exact, ec)) {
        return exact;
    }
    for (const auto& part : relative) {
        const std::string piece = part.string();
        if (piece.empty() || piece == "." || piece == "..") {
            base /= part;
        } else {
            base = MatchEntry(base, piece);
        }
    }
    return base;
}

} // namespace

std::filesystem::path MatchPathWithoutCase(const std::filesystem::path& path) {
    return MatchComponents(path.root_path(), path.relative_path());
}

namespace {

// The path a game's name stands for in `folder`.
std::filesystem::path ResolveIn(const std::filesystem::path& folder, std::string_view name) {
    std::string local = AnsiToUtf8(name);
    std::replace(local.begin(), local.end(), '\\', '/');
    std::filesystem::path path(local);
    if (path.is_absolute()) {
        return MatchPathWithoutCase(path);
    }
    // The folder is named from the game file; only the game's own names need matching.
    return MatchComponents(folder, path);
}

bool IsRegularFile(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

} // namespace

std::filesystem::path Files::Resolve(std::string_view name) const {
    return ResolveIn(dataFolder_, name);
}

bool Files::FileExists(std::string_view name) const {
    return IsRegularFile(Resolve(name));
}

std::filesystem::path Files::ResolveSaved(std::string_view name) const {
    if (!fallbackFolder_.empty()) {
        const std::filesystem::path fallback = ResolveIn(fallbackFolder_, name);
        if (IsRegularFile(fallback)) {
            return fallback;
        }
    }
    return ResolveIn(SavesFolder(), name);
}

bool Files::CanSave() const {
    std::error_code error;
    return !fallbackFolder_.empty() ||
           (!SavesFolder().empty() && std::filesystem::is_directory(SavesFolder(), error));
}

std::filesystem::path Files::SaveFile(std::string_view name, std::string_view text) const {
    std::error_code error;
    const std::filesystem::path& folder = SavesFolder();
    if (!folder.empty() && std::filesystem::is_directory(folder, error)) {
        const std::filesystem::path target = ResolveIn(folder, name);
        try {
            SaveFileWhole(target, text);
            if (!fallbackFolder_.empty()) {
                std::filesystem::remove(ResolveIn(fallbackFolder_, name), error);
            }
            return target;
        } catch (const FileWriteError&) {
            if (fallbackFolder_.empty()) {
                throw;
            }
        }
    }
    if (fallbackFolder_.empty()) {
        throw FileWriteError("There is no folder to save \"" + AnsiToUtf8(name) + "\" in.");
    }
    std::filesystem::create_directories(fallbackFolder_, error);
    const std::filesystem::path target = ResolveIn(fallbackFolder_, name);
    SaveFileWhole(target, text);
    return target;
}

bool Files::SavedFileExists(std::string_view name) const {
    return IsRegularFile(ResolveSaved(name));
}

} // namespace velkaro
