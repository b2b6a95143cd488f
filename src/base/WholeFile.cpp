#include "base/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace velkaro {

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
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    std::string name = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        throw FileWriteError(path.string() + ": cannot be written: " + std::strerror(errno));
    }
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
    if (close(fd) != 0 && cause == 0) {
        cause = errno;
    }
    if (cause == 0 && std::rename(name.c_str(), path.c_str()) != 0) {
        cause = errno;
    }
    if (cause != 0) {
        unlink(name.c_str());
        throw FileWriteError(path.string() + ": cannot be written: " + std::strerror(cause));
    }
}

void WriteFileWhole(const std::filesystem::path& path, std::string_view text) {
    WriteFileWhole(path, std::span<const std::uint8_t>(
                             reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

} // namespace velkaro
