#pragma once

#include "base/Counted.h"
#include "script/CodeCheck.h"
#include "script/GameWarnings.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velkaro::qvf {

// Exit statuses of every qvf command: done; a file is at fault (an input that cannot be read or
// holds errors, or an output that cannot be written); the command line is wrong (one line on
// standard error). `run` has one of its own: its time ran out (--timeout), and the game was
// ended as if the player had closed it.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitTimedOut = 3;

// What is wrong with giving `path` where a game file is expected, as the end of a message
// ("is a directory", "is empty", "is a game description: pack it first with qvf pack", "is not
// a game file"); none when it is a file that starts like a game file, or when there is nothing
// there (the game loader says so in its own words).
std::optional<std::string> NotAGameFile(const std::filesystem::path& path);

// Whether `bytes` start the way a game file does: a format version of a plausible size.
bool StartsLikeAGameFile(const std::vector<std::uint8_t>& bytes);

// One qvf command: runs with the arguments after its name, writes its results to files and
// `out`, its messages to `err`, and answers the exit status.
using CommandFunction = int (*)(const std::vector<std::string>& args, std::ostream& out,
                                std::ostream& err);

struct InputAndOutput {
    std::filesystem::path input;
    std::filesystem::path output;
};

// Reads "INPUT -o OUTPUT" (in either order; "--output" is the same as "-o"). Writes a one-line
// message to `err`, with the usage (`options` after the files, such as " [--data]"), and
// answers none when the arguments are not that.
std::optional<InputAndOutput> ReadInputAndOutput(const std::vector<std::string>& args,
                                                 const std::string& command,
                                                 const std::string& inputName,
                                                 const std::string& outputName, std::ostream& err,
                                                 const std::string& options = "");

// What `qvf check` finds in a loaded game: the errors in its code, then its likely mistakes.
struct GameCheck {
    std::vector<CodeFinding> errors;
    std::vector<GameWarning> warnings;
};
GameCheck CheckLoadedGame(GameData& game);

int PackCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int DumpCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int CheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace velkaro::qvf
