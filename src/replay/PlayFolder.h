#pragma once

#include "base/Files.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velkaro {

// A recorded play is a folder that `velkaro --record` writes and `qvf run --replay` reads:
//
//   play.txt      the seed, the last step, and the room and score the play ended with
//   input.txt     the keys, mouse and joystick of every step (the `qvf run --input` format)
//   answers.txt   the answer to every box, in order (the `qvf run --answers` format)
//   start/        the saved values and high-score table the play started from
//   end/          the same files as the play left them
//   frame-NNNNNN.png  the picture of step NNNNNN (the last step, when recorded)
//
// Everything but play.txt may be missing: a game author can write a play by hand and say only
// what it must end with.
inline constexpr std::string_view kPlayFile = "play.txt";
inline constexpr std::string_view kPlayInputFile = "input.txt";
inline constexpr std::string_view kPlayAnswersFile = "answers.txt";
inline constexpr std::string_view kPlayStartFolder = "start";
inline constexpr std::string_view kPlayEndFolder = "end";

// What play.txt holds.
struct PlayRecord {
    // The random generator's start.
    std::uint32_t seed = 0;
    // The last step the play ran: a replay ends after it, as the player closed the window then,
    // unless the game ended by itself before.
    long steps = 0;
    // The room (numbered from 1) and the score the game had when it ended; a replay must end
    // with the same. None: not checked.
    std::optional<std::int32_t> room;
    std::optional<std::int32_t> score;
    // Said in a comment: the game played and the room's name.
    std::string game;
    std::string roomName;
};

// A play.txt that cannot be read, or says something it should not; the message names the line.
struct PlayFileError {
    std::string message;
};

// Reads lines "KEY VALUE" (seed, steps, room, score; "#" starts a comment). Throws
// PlayFileError for an unknown key, a value that is not a whole number in range, or a missing
// seed or steps.
PlayRecord ReadPlayRecord(std::string_view text);
std::string PlayRecordText(const PlayRecord& play);

// "frame-NNNNNN.png", the name of the picture of a step: what `qvf run --frames` writes and
// what a play folder keeps.
std::string FrameFileName(long step);
// The steps of the frame-NNNNNN.png files in `folder`, in order.
std::vector<long> FrameStepsIn(const std::filesystem::path& folder);

// The files of the saves folder that a play starts from and ends with: the saved values and
// the high-score table.
std::vector<std::string_view> SavedFileNames();

// Copies the saved files that exist in `from` into `to` (made when needed; files of these
// names that `from` lacks are removed from `to`). Throws std::filesystem::filesystem_error.
void CopySavedFiles(const std::filesystem::path& from, const std::filesystem::path& to);
// The same from a game's saved files wherever they are kept (its fallback folder first).
void CopySavedFiles(const Files& from, const std::filesystem::path& to);

// The differences between the saved files of two folders, one line each ("the high-score
// table "scores" differs", "the play left no "iodata""); none when alike.
std::vector<std::string> CompareSavedFiles(const std::filesystem::path& expected,
                                           const std::filesystem::path& actual);

} // namespace velkaro
