#pragma once

#include <filesystem>
#include <functional>
#include <string>

namespace velkaro {

class Dialogs;
struct GameData;

// Plays and checks a game author's description without a game file: packs the description in
// `file` in memory and loads that game as if the game file lay beside it, its data folder the
// description's name with "_data". A description with a fault is shown in a box of `dialogs`
// ("NAME.json: what is wrong and where", in the game's text encoding), as the loader shows its
// own problems; the packer's warnings go to `warn` (UTF-8). Answers whether the game can start.
bool LoadDescribedGame(const std::filesystem::path& file, GameData& data, Dialogs& dialogs,
                       const std::function<void(const std::string&)>& warn);

} // namespace velkaro
