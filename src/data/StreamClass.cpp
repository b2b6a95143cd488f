#include "data/StreamClass.h"

#include "base/Limits.h"
#include "base/WholeFile.h"

namespace velkaro {

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    if (!error && size > limits::kGameFileBytes) {
        throw GameFileError("The game file is " + std::to_string(size >> 20) +
                            " MB, larger than any game (at most " +
                            std::to_string(limits::kGameFileBytes >> 20) + " MB).");
    }
    auto bytes = ReadFileWhole(path);
    if (!bytes) {
        throw GameFileError("Cannot read " + path.string() + ".");
    }
    return std::move(*bytes);
}

std::span<const std::uint8_t> CStream::Take(std::size_t n) {
    if (n > Remaining()) {
        position_ = bytes_.size();
        throw GameFileError(kStreamReadError);
    }
    auto part = std::span<const std::uint8_t>(bytes_).subspan(position_, n);
    position_ += n;
    return part;
}

std::int32_t ReadInt(CStream& stream) {
    auto b = stream.Take(4);
    const std::uint32_t value = std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 |
                                std::uint32_t{b[2]} << 16 | std::uint32_t{b[3]} << 24;
    return static_cast<std::int32_t>(value);
}

std::string ReadString(CStream& stream) {
    const std::int32_t length = ReadInt(stream);
    if (length <= 0) {
        return {};
    }
    auto b = stream.Take(static_cast<std::size_t>(length));
    return std::string(b.begin(), b.end());
}

bool ReadBool(CStream& stream) {
    return ReadInt(stream) > 0;
}

void CStreamWriter::WriteInt(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        bytes_.push_back(static_cast<std::uint8_t>(v >> shift));
    }
}

void CStreamWriter::WriteString(const std::string& text) {
    WriteInt(static_cast<std::int32_t>(text.size()));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
}

void CStreamWriter::WriteBytes(std::span<const std::uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
}

} // namespace velkaro
