#pragma once

// What the qvf tests share: running the commands as the program does, reading files back, and
// BMP files of every kind the player reads, written here byte by byte.

#include "support/GameFileBuilder.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace velkaro::test::tools {

struct CommandResult {
    int status = -1;
    std::string errors; // what the command wrote on standard error
};

// The built qvf program run as a user runs it, with its exit status and what it printed.
struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};
ProgramRun Qvf(const TempDir& folder, const std::vector<std::string>& args);

// How a test runs the program beyond its arguments.
struct QvfSetting {
    // Killed after this many seconds (0: never), so that a run that hangs fails its test
    // (status 137) instead of holding up the suite.
    int killAfterSeconds = 0;
    // Where its standard output goes instead of `out` (a device such as /dev/full).
    std::string stdoutTo;
};
ProgramRun Qvf(const TempDir& folder, const std::vector<std::string>& args,
               const QvfSetting& setting);
std::string ReadText(const std::filesystem::path& path);

CommandResult RunDump(const std::filesystem::path& game, const std::filesystem::path& folder);
CommandResult RunPack(const std::filesystem::path& description, const std::filesystem::path& game);

// Records for the independent writer.
TestObject ObjectNamed(const std::string& name);
TestAction MakeAction(std::int32_t id, std::vector<std::string> arguments,
                      std::int32_t appliesTo = -1, std::int32_t relative = 0,
                      std::int32_t object = 1);
TestRoom RoomWith(std::vector<std::array<std::int32_t, 3>> instances);
// A room with the values a room record has when nothing sets them.
TestRoom DefaultRoom();
TestSound Sound(const std::string& name, bool stored, const std::string& file);
TestGame GameOfVersion(std::int32_t version);

// A BMP laid out as the game file embeds it (pixel rows right after the colour table).
struct BmpLayout {
    int bits = 24;
    int width = 1;
    int height = 1;          // negative: rows top-down
    bool coreHeader = false; // the 12-byte header, with 3-byte colour table entries
    bool bitFields = false;  // 16 or 32 bits with three colour masks (red, green, blue)
    std::vector<std::uint32_t> palette{}; // 0xRRGGBB; for 8 bits or fewer
    bool declarePaletteSize = false;      // the header gives the palette's size; else 2^bits
    bool writeImageSize = true;           // false: the image-size field is 0
    std::uint32_t extraRowBytes = 0;      // bytes after the rows that the image size counts
    std::uint32_t offsetField = 0;        // the file header's offset: read by no one
};

// `value(x, y)` gives a palette index for 8 bits or fewer, else the raw pixel value (0xRRGGBB
// for 24 bits; for 16 and 32 bits as the masks or the default layout read it).
std::vector<std::uint8_t> MakeBmp(const BmpLayout& layout,
                                  const std::function<std::uint32_t(int, int)>& value);

} // namespace velkaro::test::tools
