#include "base/Files.h"

#include "base/AnsiText.h"

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

std::filesystem::path Files::Resolve(std::string_view name) const {
    std::string local = AnsiToUtf8(name);
    std::replace(local.begin(), local.end(), '\\', '/');
    std::filesystem::path path(local);
    if (path.is_absolute()) {
        return MatchPathWithoutCase(path);
    }
    // The data folder is named from the game file; only the game's own names need matching.
    return MatchComponents(dataFolder_, path);
}

bool Files::FileExists(std::string_view name) const {
    std::error_code ec;
    return std::filesystem::is_regular_file(Resolve(name), ec);
}

} // namespace velkaro
