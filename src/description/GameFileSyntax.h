#pragma once

// A game file as it is written, field for field: what qvf dumps and packs. The player's own
// records (src/data) resolve file names, check that files exist and drop what no behaviour
// needs; these keep every stored value, so that a file read here and written back is the
// same file byte for byte.

#include "data/ActionClass.h"
#include "data/ImageClass.h"
#include "data/LoadContext.h"
#include "data/ObjectClass.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace velkaro {

// The limits of the format are the loader's: event rows and sub-events (data/ObjectClass.h),
// arguments of an action (data/ActionClass.h), sprite sizes (data/ImageClass.h), the record
// version and the smallest record (data/LoadContext.h).
constexpr std::size_t kLargestArgumentCount = kMaxActionArguments;

// The names descriptions and messages give the event rows 0 to 12 ("creation", "step",
// "collision_with"...); empty outside 0..12.
const char* RowName(int row);

// Texts are kept as stored: 8-bit Windows-1252.
struct ActionRecord {
    std::int32_t id = 0;
    std::int32_t appliesTo = -1; // -1 self, -2 other, n >= 1 object n
    std::int32_t relative = 0;
    std::vector<std::string> arguments; // as many as the record stores, at most 4
    std::int32_t actionObject = 1;
};

// One sub-event of an event row and its action list.
struct EventEntry {
    std::int32_t sub = 0;
    std::vector<ActionRecord> actions;
};

struct ImageRecord {
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::array<std::int32_t, 4> reserved{};
    // Each sub-image is a whole BMP file, exactly as embedded.
    std::vector<std::vector<std::uint8_t>> frames;
};

struct ObjectRecord {
    std::string name = "<new>";
    bool solid = false;
    bool active = true;
    // Rows 0 to 12; within a row the sub-events keep the order they are written in.
    std::array<std::vector<EventEntry>, kEventRowCount> rows;
    std::int32_t reserved = 0;
    ImageRecord image;
    std::int32_t bbLeft = 0;
    std::int32_t bbRight = 0;
    std::int32_t bbBottom = 0;
    std::int32_t bbTop = 0;
};

struct RoomInstance {
    std::int32_t column = 0;
    std::int32_t row = 0;
    std::int32_t object = 1;
};

struct RoomRecord {
    std::string name = "<new>";
    std::int32_t backgroundColour = 0xC0C0C0;
    std::string backgroundFile;
    std::int32_t backgroundShown = 0;
    std::int32_t backgroundMode = 0;
    std::int32_t backgroundHSpeed = 0;
    std::int32_t backgroundVSpeed = 0;
    std::int32_t gameSpeed = 20;
    std::int32_t widthInCells = 16;
    std::int32_t heightInCells = 12;
    std::int32_t cellSize = 32;
    std::int32_t viewEnabled = 0;
    std::int32_t viewWidthInCells = 16;
    std::int32_t viewHeightInCells = 12;
    std::int32_t viewBorderInCells = 1;
    std::int32_t viewObject = 0;
    std::vector<RoomInstance> instances;
};

struct SoundRecord {
    std::string name;
    bool stored = false; // the editor's note that the file existed; the player looks again
    std::string file;
    bool effectsAllowed = false;
    std::int32_t bufferCount = 1;
};

struct GameFile {
    std::int32_t checkFactor = 0;
    std::int32_t checkProduct = 0;
    std::vector<std::string> options; // key=value entries, in order
    std::vector<ObjectRecord> objects;
    std::vector<RoomRecord> rooms;
    std::vector<SoundRecord> sounds;
};

// The check product the player expects: factor x object count, wrapping at 32 bits.
std::int32_t ExpectedCheckProduct(std::int32_t factor, std::size_t objectCount);

// A file that cannot be read: truncated, absurd counts, pictures that are not BMPs.
class GameFileSyntaxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SyntaxReading {
    // What the player reads from the file.
    GameFile game;
    // Each place where writing `game` back would not give the same bytes (a record version
    // other than 300, a bool stored as 2, bytes after the sounds...). Empty for a file that
    // the game describes exactly.
    std::vector<std::string> inexact;
};

// Reads a game file as the player does. Throws GameFileSyntaxError, naming the byte offset
// and the record, when the file cannot be read to its end; nothing it allocates is larger
// than the file.
SyntaxReading ReadGameFileSyntax(std::vector<std::uint8_t> bytes);

// Writes a game file. Throws GameFileSyntaxError for a record the format cannot hold (more
// than 4 arguments, a sub-event outside 0..10000).
std::vector<std::uint8_t> WriteGameFileSyntax(const GameFile& game);

// What the player would refuse, ignore or read differently from what the game seems to say,
// although the file holds it as written: a wrong check product, an instance of an object that
// does not exist, a sub-event twice in a row, a sub-image whose size is not the sprite's, an
// option the player cannot convert. One line each.
std::vector<std::string> ReviewGame(const GameFile& game);

} // namespace velkaro
