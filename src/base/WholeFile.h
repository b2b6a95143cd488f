#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace velkaro {

class FileWriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The whole of a regular file, read in one go; none when it cannot be opened or read (a
// missing file, a folder).
std::optional<std::vector<std::uint8_t>> ReadFileWhole(const std::filesystem::path& path);

// Writes the file whole: into a new file in the same folder, then renamed over `path`, so that
// a reader never sees half of it and an old file stays as it was when writing fails. Throws
// FileWriteError naming the file.
void WriteFileWhole(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
void WriteFileWhole(const std::filesystem::path& path, std::string_view text);

// WriteFileWhole for a file that is saved again and again under its name (a game's saved
// values, its high-score table). A save the program could not finish (killed while writing)
// leaves its new file beside `path` under a temporary name; before writing, this removes every
// such file of `path` that no write in progress holds and that is more than a few seconds old.
// Nothing else is touched: not the temporary files of other names, nor anything named
// otherwise.
void SaveFileWhole(const std::filesystem::path& path, std::string_view text);

} // namespace velkaro
