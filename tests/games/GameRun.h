#pragma once

// What the end-to-end game tests share: finding the packed games, giving a game a data folder,
// reading a transcript, the transcript lines a test expects, frames and wave files.

#include "base/Bitmap.h"
#include "support/GameFileBuilder.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace velkaro::test::games {

using Json = nlohmann::json;

// The game packed by the build from tests/games/NAME.json.
std::filesystem::path PackedGame(const std::string& name);

// The packed game copied into `folder` beside an empty data folder of its own, for games that
// need media files.
std::filesystem::path GameWithDataFolder(const TempDir& folder, const std::string& name);

// Where the game `name` copied into `folder` finds `file`.
std::string DataFile(const TempDir& folder, const std::string& name, const std::string& file);

// The transcript's lines, parsed.
std::vector<Json> Lines(const std::string& transcript);

// Transcript lines as the runner writes them.
Json Message(int step, const std::string& text);
std::vector<Json> Messages(const std::vector<std::pair<int, std::string>>& messages);
Json Question(int step, const std::string& text, const std::string& answer);
Json Input(int step, const std::string& text, const std::string& value, const Json& answer);
Json ErrorReport(int step, const std::string& text, bool fatal, const std::string& answer);
Json Play(int step, int sound, bool loop);
Json Stop(int step, int sound);
Json Setting(int step, const std::string& action, int sound, int value);
Json MusicPlay(int step, const std::string& file);
Json MusicStop(int step);
Json Splash(int step, const std::string& type, const std::string& file);
Json Highscore(int step, int score, const Json& place, const Json& name);

// The frame `--frames` wrote for `step`, and a pixel of it as 0xRRGGBB.
Bitmap Frame(const std::filesystem::path& frames, int step);
std::uint32_t Rgb(const Bitmap& frame, int x, int y);

// A PCM wave file of one 8-bit channel at 8000 samples a second (8000 bytes a second), `ms`
// milliseconds of silence long.
std::vector<std::uint8_t> Wave(int ms);

} // namespace velkaro::test::games
