#pragma once

#include "backends/posix/FileWatcher.h"
#include "data/GameLoader.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// How the player reads a game: the first time, and again after its files changed
// (`velkaro --watch`).

namespace velkaro {

class Dialogs;
struct GameState;

// Where the player keeps a game's saved values and high-score table when the game's data folder
// cannot take them: $XDG_DATA_HOME/velkaro/NAME-DIGEST, NAME the game file's name without its
// extension, DIGEST eight hex digits of its absolute path. Empty without a data home.
std::filesystem::path FallbackSavesFolder(const std::filesystem::path& file);

// Reads the game in `file` (a description, packed in memory, or a game file) into `data`,
// showing each problem in a box of `dialogs`, with FallbackSavesFolder for the saves its data
// folder cannot take. Answers whether the game can start.
bool LoadGameFile(const std::filesystem::path& file, GameData& data, Dialogs& dialogs);

// What the check of a game's code finds, errors and likely mistakes alike, on standard error:
// what a game author sees at each reload of `velkaro --watch`.
void PrintCodeCheck(const std::filesystem::path& file, GameData& data);

// The folders a game is read from, for `velkaro --watch`: a description's folder and all its
// folders (its sprites, its data folder); a game file's folder, and its data folder with all of
// its folders.
std::vector<WatchedFolder> GameFolders(const std::filesystem::path& file, const GameData& data);

// Whether a change to `path` can change the game that `playing` plays, so that it is worth
// reading again: not the files the game writes itself (its saved values, its high-score
// table, the files its code wrote), nor hidden files and editors' backups, nor anything in the
// player's own config and data folders.
bool ChangeMatters(const std::filesystem::path& path, const GameData& data,
                   const GameState& playing);

// A game read again after a change: the game, or what kept it from being read.
struct Reloaded {
    std::unique_ptr<GameData> data; // null when it could not be read
    std::vector<std::string> problems;
};
Reloaded ReloadGame(const std::filesystem::path& file);

} // namespace velkaro
