#pragma once

// Writes game files byte by byte for tests and benchmarks, on its own: it shares no code
// with the program's reader or with qvf's writer, so a fault in either shows up against it.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velkaro::test {

class Bytes {
public:
    Bytes& Int(std::int32_t value);
    Bytes& Str(const std::string& text);
    Bytes& Bool(bool value) { return Int(value ? 1 : 0); }
    Bytes& Raw(const std::vector<std::uint8_t>& bytes);
    std::vector<std::uint8_t> data;
};

struct TestAction {
    std::int32_t id = 0;
    std::int32_t appliesTo = -1;
    std::int32_t relative = 0;
    std::vector<std::string> arguments;
    std::int32_t object = 1;
};

struct TestEvent {
    std::int32_t row = 0;
    std::int32_t sub = 0;
    std::vector<TestAction> actions;
};

struct TestObject {
    std::string name = "object";
    bool solid = false;
    bool active = true;
    std::vector<TestEvent> events; // written row by row, in the order given within a row
    std::int32_t reserved = 0;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::array<std::int32_t, 4> imageReserved{};
    std::vector<std::vector<std::uint8_t>> frames; // BMP files
    std::int32_t bbLeft = 0, bbRight = 0, bbBottom = 0, bbTop = 0;
};

struct TestRoom {
    std::string name = "room";
    std::int32_t colour = 0xC0C0C0;
    std::string backgroundFile;
    std::int32_t backgroundShown = 0;
    std::int32_t mode = 0, hspeed = 0, vspeed = 0;
    std::int32_t speed = 30;
    std::int32_t width = 20, height = 15, cellSize = 32;
    std::int32_t viewEnabled = 0, viewWidth = 10, viewHeight = 8, viewBorder = 2, viewObject = 0;
    std::vector<std::array<std::int32_t, 3>> instances; // column, row, object
};

struct TestSound {
    std::string name = "sound";
    bool stored = true;
    std::string file;
    bool effects = false;
    std::int32_t buffers = 1;
};

struct TestGame {
    std::int32_t version = 300;
    std::int32_t checkFactor = 7;
    std::optional<std::int32_t> checkProduct; // factor x object count when not given
    std::vector<std::string> options;
    std::vector<TestObject> objects;
    std::vector<TestRoom> rooms;
    std::vector<TestSound> sounds;
};

std::vector<std::uint8_t> WriteTestGame(const TestGame& game);

// A 24-bit bottom-up BMP with a 40-byte header; `colour(x, y)` gives 0xRRGGBB.
std::vector<std::uint8_t> MakeBmp24(int width, int height,
                                    const std::function<std::uint32_t(int, int)>& colour);

// The bytes of a file; throws when it cannot be read.
std::vector<std::uint8_t> ReadAllBytes(const std::filesystem::path& file);

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path Write(const std::string& name,
                                const std::vector<std::uint8_t>& bytes) const;
    std::filesystem::path WriteText(const std::string& name, const std::string& text) const;

private:
    std::filesystem::path path_;
};

} // namespace velkaro::test
