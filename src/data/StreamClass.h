#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace velkaro {

// A game file that cannot be loaded. The text is what the player is shown.
class GameFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline const char* const kStreamReadError = "Stream read error";

// The game file, read front to back. It is held in memory whole, so what is left of it is
// always known and no count or length in it can make a reader allocate more than the file.
class CStream {
public:
    explicit CStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::size_t Position() const { return position_; }
    std::size_t Remaining() const { return bytes_.size() - position_; }

    // The next n bytes, consumed; throws "Stream read error" when fewer are left.
    std::span<const std::uint8_t> Take(std::size_t n);
    // What is left, not consumed.
    std::span<const std::uint8_t> Rest() const {
        return std::span<const std::uint8_t>(bytes_).subspan(position_);
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

// The whole file; throws GameFileError when it cannot be read.
std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path);

// A signed 32-bit little-endian integer.
std::int32_t ReadInt(CStream& stream);
// An int32 length n, then n bytes; n of 0 or less gives the empty string.
std::string ReadString(CStream& stream);
// An int32; true when it is greater than 0.
bool ReadBool(CStream& stream);

// Writes the same three primitives, for the tools that make game files.
class CStreamWriter {
public:
    void WriteInt(std::int32_t value);
    void WriteString(const std::string& text);
    void WriteBool(bool value) { WriteInt(value ? 1 : 0); }
    void WriteBytes(std::span<const std::uint8_t> bytes);

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::vector<std::uint8_t> TakeBytes() { return std::move(bytes_); }

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace velkaro
