#pragma once

#include <filesystem>
#include <optional>

namespace velkaro {

// --scale: the largest factor, and the factor that stands for "as large as fits".
inline constexpr int kLargestScale = 8;
inline constexpr int kScaleToFit = 0;

// How the player is asked to play a game. The settings left unset come from the player's
// settings file, else from the game.
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
    // Write what the player chose and why on standard error.
    bool verbose = false;
    // Start full screen (true) or in a window (false), whatever the game says.
    std::optional<bool> fullScreen;
    // The window's size at the start: this many times the game's, or kScaleToFit.
    std::optional<int> scale;
    // No sound at all; the loudness of everything, in percent.
    std::optional<bool> mute;
    std::optional<int> volume;
    // Whether the game may start programs and open files and addresses without asking.
    std::optional<bool> allowPrograms;
};

// Plays the game in a window until it ends or the player closes it. Answers the program's exit
// status: 0 when the game ran, 1 when it could not be loaded or played, or a play to record
// could not be recorded.
int PlayGame(const PlayOptions& options);

} // namespace velkaro
