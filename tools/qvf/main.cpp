// qvf: the command-line tool for game files. Each command is one function in a file of its
// own; this table is all that joins them.
#include "CommandLine.h"

#include <array>
#include <iostream>
#include <string>
#include <vector>

namespace {

using velkaro::qvf::CommandFunction;

struct Command {
    const char* name;
    const char* synopsis;
    const char* summary;
    CommandFunction run;
};

constexpr std::array kCommands = {
    Command{"pack", "qvf pack DESC.json -o GAME.qvf", "make a game file from a game description",
            &velkaro::qvf::PackCommand},
    Command{"dump", "qvf dump GAME.qvf -o DIR",
            "write DIR/game.json and DIR/sprites/*.bmp, the description of a game file",
            &velkaro::qvf::DumpCommand},
    Command{"check", "qvf check GAME.qvf",
            "list the errors in the game's code, found without playing it (exit status 1 when "
            "there is any)",
            &velkaro::qvf::CheckCommand},
    Command{"run",
            "qvf run GAME.qvf [--steps N] [--seed S] [--input FILE] [--answers FILE] [--frames "
            "DIR] [--every K] [--realtime] [--transcript FILE] [--allow-execute]",
            "play the game without windows; what a player would see and hear goes to standard "
            "output as JSON lines",
            &velkaro::qvf::RunCommand},
};

void ShowHelp(std::ostream& out) {
    out << "qvf: the tool for game files\n\nusage:\n";
    for (const Command& command : kCommands) {
        out << "  " << command.synopsis << "\n      " << command.summary << "\n";
    }
    out << "  qvf --help\n      show this help\n\n"
           "Exit status: 0 done, 1 failed (the message says why), 2 wrong usage.\n"
           "The game description format is documented in docs/game-description.md.\n";
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << "qvf: missing command (try qvf --help)\n";
        return velkaro::qvf::kExitUsage;
    }
    if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        ShowHelp(std::cout);
        return velkaro::qvf::kExitDone;
    }
    for (const Command& command : kCommands) {
        if (args[0] == command.name) {
            return command.run(std::vector<std::string>(args.begin() + 1, args.end()), std::cout,
                               std::cerr);
        }
    }
    std::cerr << "qvf: unknown command " << args[0] << " (try qvf --help)\n";
    return velkaro::qvf::kExitUsage;
}

// fontconfig keeps its configuration until the process ends; leak checks of sanitizer builds
// pass over it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
