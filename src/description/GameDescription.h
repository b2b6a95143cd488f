#pragma once

// The readable description of a game file: JSON (UTF-8) with the sub-images in files of their
// own. The format is documented for game authors in docs/game-description.md.

#include "description/GameFileSyntax.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace velkaro {

// Keeps keys in the order they are written, so a description reads back as it was made.
using Json = nlohmann::ordered_json;

// A description that cannot be packed. The text begins with the field at fault, written as a
// path from the top of the description (".objects[0].events.step[1].actions[2].id", indexes
// counted from 0).
class DescriptionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A sub-image file that a description names.
struct SpriteFile {
    std::string name; // relative to the description's folder, with "/" between folders
    std::vector<std::uint8_t> bytes;
};

struct Description {
    Json json;
    std::vector<SpriteFile> sprites;
};

// Describes every field of the game. Sub-image k of object n is named
// sprites/<n>-<object name made safe for a file name>-<k>.bmp and holds the embedded bytes.
Description DescribeGame(const GameFile& game);

// The game a description stands for; sprite files are found relative to `folder`. Throws
// DescriptionError.
GameFile GameFromDescription(const Json& description, const std::filesystem::path& folder);

// Parses the text of a description. Throws DescriptionError naming the line and column of a
// syntax error, or a key written twice in one object.
Json ParseDescription(std::string_view text);

// The description as text: indented by two spaces, with whatever fits in 100 columns below the
// level of single objects and rooms kept on one line.
std::string FormatDescription(const Json& description);

// Whether `file` is named as a game description is: its extension is ".json", in any case.
bool IsDescriptionName(const std::filesystem::path& file);

// The game file the description in `file` makes, with its warnings: the description read, its
// sprite files read from beside it and the game file written, all in memory. Throws
// DescriptionError (the file cannot be read, or what is wrong in it) or GameFileSyntaxError (a
// record the game file cannot hold).
struct PackedGame {
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> warnings;
};
PackedGame PackDescriptionFile(const std::filesystem::path& file);

// The bytes to embed for a sprite file: a BMP unchanged, a PNG as a 24-bit BMP (composited onto
// white). Throws DescriptionError naming the file.
std::vector<std::uint8_t> LoadSpriteFile(const std::filesystem::path& path);

} // namespace velkaro
