#include "base/WholeFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace velkaro {
namespace {

// A file being written is ".NAME.XXXXXX" beside NAME, XXXXXX the six letters and digits
// mkstemp puts in. The writer holds a lock on it from just after it is made until it has been
// renamed, so a file of that name that nobody holds is left over from a writer that was killed
// (or lost its machine) before it could rename or remove it.
constexpr std::string_view kTemporaryEnd = ".XXXXXX";

std::filesystem::path FolderOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : ".";
}

std::string TemporaryPrefix(const std::filesystem::path& path) {
    return "." + path.filename().string() + ".";
}

bool IsTemporaryOf(const std::string& name, const std::string& prefix) {
    constexpr std::size_t kRandomLength = kTemporaryEnd.size() - 1;
    return name.size() == prefix.size() + kRandomLength && name.starts_with(prefix) &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                       [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// A file is made (mkstemp) a moment before it is locked; one younger than this may be another
// writer's in that moment, and is left for a later save to remove.
constexpr auto kYoungestStale = std::chrono::seconds(10);

// Whether the file is a regular file of at least kYoungestStale's age that no writer holds;
// then removes it. Anything else (a folder, a link, a file of another user) is left alone.
void RemoveIfStale(const std::filesystem::path& file) {
    const int fd = open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    struct stat info {};
    const auto now = std::chrono::system_clock::now();
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
        now - std::chrono::system_clock::from_time_t(info.st_mtime) >= kYoungestStale &&
        flock(fd, LOCK_EX | LOCK_NB) == 0) {
        unlink(file.c_str());
    }
    close(fd);
}

// Removes what interrupted writes of `path` left beside it: only files named as its own
// temporary files are, and only those that no writer holds.
void RemoveStaleTemporaries(const std::filesystem::path& path) {
    const std::string prefix = TemporaryPrefix(path);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(FolderOf(path), error)) {
        if (IsTemporaryOf(entry.path().filename().string(), prefix)) {
            RemoveIfStale(entry.path());
        }
    }
}

} // namespace

std::optional<std::vector<std::uint8_t>> ReadFileWhole(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (error) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!in || static_cast<std::uintmax_t>(in.gcount()) != size) {
        return std::nullopt;
    }
    return bytes;
}

void WriteFileWhole(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    const std::filesystem::path folder = FolderOf(path);
    std::string name =
        (folder / (TemporaryPrefix(path) + std::string(kTemporaryEnd.substr(1)))).string();
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        throw FileWriteError(path.string() + ": cannot be written: " + std::strerror(errno));
    }
    // Held until the file is renamed or removed: it marks the file as one being written. Where
    // the file system has no locks the file is written all the same; it is then only safe
    // from removal by its age.
    flock(fd, LOCK_EX | LOCK_NB);
    int cause = 0;
    std::size_t done = 0;
    while (cause == 0 && done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n == 0 || errno != EINTR) {
            cause = n == 0 ? EIO : errno;
        }
    }
    // mkstemp makes the file private; what is written here is meant to be shared like any file.
    if (cause == 0 && (fchmod(fd, 0644) != 0 || fsync(fd) != 0)) {
        cause = errno;
    }
    // Renamed while still open, so that the lock covers the file until it has its name.
    if (cause == 0 && std::rename(name.c_str(), path.c_str()) != 0) {
        cause = errno;
    }
    if (cause != 0) {
        unlink(name.c_str());
    }
    if (close(fd) != 0 && cause == 0) {
        cause = errno;
    }
    if (cause != 0) {
        throw FileWriteError(path.string() + ": cannot be written: " + std::strerror(cause));
    }
}

void WriteFileWhole(const std::filesystem::path& path, std::string_view text) {
    WriteFileWhole(path, std::span<const std::uint8_t>(
                             reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void SaveFileWhole(const std::filesystem::path& path, std::string_view text) {
    // First, so that the room they take is free again before the new file takes its own.
    RemoveStaleTemporaries(path);
    WriteFileWhole(path, text);
}

} // namespace velkaro
