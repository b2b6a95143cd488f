#pragma once

#include "base/Files.h"
#include "data/GameInfo.h"
#include "data/ObjectClass.h"
#include "data/OptionsUnit.h"
#include "data/RoomClass.h"
#include "data/SoundClass.h"
#include "platform/Dialogs.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace velkaro {

// Everything a game file defines, with the game's name and data folder. It lives from
// start-up to the end of the program; nothing changes it after loading.
struct GameData {
    std::string gameName;   // the game file's name without folder and extension
    std::string dataFolder; // folder of the game file + game name + "_data/"
    Files files;
    GameOptions options;
    CObjectList objects;
    CRoomList rooms;
    CSoundList sounds;
    GameInfo info;

    void Reset();
};

// The messages of a load that fails.
inline const char* const kMissingGameFile = "Game file does not exist.";
inline const char* const kNewerVersion =
    "This game was created with a more recent version of Quorvane. Please download the new "
    "version from the web site.";
inline const char* const kOlderVersion = "Data file is corrupted.";
inline const char* const kIntegrityFailed = "Data file is corrupt.";

// Reads the game file at `path` into `game`, showing each problem in a message box. Answers
// whether the game can start; after a failure `game` holds nothing.
bool LoadGame(const std::filesystem::path& path, GameData& game, Dialogs& dialogs);

// The same for a game file already in memory; `path` names it (game name, data folder).
bool LoadGameFromBytes(std::vector<std::uint8_t> bytes, const std::filesystem::path& path,
                       GameData& game, Dialogs& dialogs);

} // namespace velkaro
