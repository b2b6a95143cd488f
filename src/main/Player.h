#pragma once

#include <filesystem>
#include <optional>

namespace velkaro {

// How the player is asked to play a game.
struct PlayOptions {
    // The game: a game file or a game author's description.
    std::filesystem::path file;
    // The player's own file, whose name a game called "game" takes.
    std::filesystem::path program;
    // Record the play into this folder.
    std::optional<std::filesystem::path> record;
    // Read the game again whenever its files change, and start it again where it was.
    bool watch = false;
    // Show the debug view's keys and panel over the game.
    bool debug = false;
};

// Plays the game in a window until it ends or the player closes it. Answers the program's exit
// status: 0 when the game ran, 1 when it could not be loaded or played, or a play to record
// could not be recorded.
int PlayGame(const PlayOptions& options);

} // namespace velkaro
