// qvf: the command-line tool for game files. Each command is one function in a file of its
// own; this table is all that joins them.
#include "CommandLine.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

using velkaro::qvf::CommandFunction;

struct Command {
    const char* name;
    const char* synopsis;
    const char* summary;
    // What `qvf NAME --help` adds below the synopsis and the summary: the options.
    const char* options;
    CommandFunction run;
};

constexpr std::array kCommands = {
    Command{"pack", "qvf pack DESC.json -o GAME.qvf [--data]",
            "make a game file from a game description; what qvf check finds in it goes to "
            "standard error, without failing",
            "  -o, --output GAME.qvf   the game file to write (replaced when it exists)\n"
            "  --data                  copy the description's data folder DESC_data beside the\n"
            "                          game file, as GAME_data, where the player looks for it\n"
            "  -h, --help              show this help\n",
            &velkaro::qvf::PackCommand},
    Command{"dump", "qvf dump GAME.qvf -o DIR",
            "write DIR/game.json and DIR/sprites/*.bmp, the description of a game file",
            "  -o, --output DIR        the folder to write into (made when it does not exist)\n"
            "  -h, --help              show this help\n",
            &velkaro::qvf::DumpCommand},
    Command{"check", "qvf check GAME.qvf|GAME.json [--strict]",
            "list the errors in the code of a game file or a description, then its likely "
            "mistakes as warnings (a variable nothing assigns, a speed that moves nothing, an "
            "event that never runs...), found "
            "without playing it (exit status 1 when there is an error)",
            "  --strict                exit status 1 for warnings too\n"
            "  -h, --help              show this help\n",
            &velkaro::qvf::CheckCommand},
    Command{
        "run",
        "qvf run GAME.qvf [--steps N] [--seed S] [--input FILE] [--answers FILE] [--frames "
        "DIR] [--every K] [--realtime] [--transcript FILE] [--allow-execute] [--timeout SECONDS] "
        "[--replay FOLDER]",
        "play the game without windows; what a player would see and hear goes to standard "
        "output as JSON lines",
        "  --steps N               stop after step N\n"
        "  --seed S                start the random generator at S, to repeat a run exactly\n"
        "  --input FILE            keys, mouse and joystick, one event a line: STEP EVENT ARGS\n"
        "  --answers FILE          the answers to the boxes the game shows, one a line\n"
        "  --frames DIR            write the picture of each step as DIR/frame-NNNNNN.png\n"
        "  --every K               with --frames: only every K-th step\n"
        "  --realtime              keep the game's own speed\n"
        "  --transcript FILE       write the transcript into FILE instead of standard output\n"
        "  --allow-execute         start the programs the game asks for\n"
        "  --timeout SECONDS       end the game after SECONDS of wall-clock time (exit status 3)\n"
        "  --replay FOLDER         play a play recorded by velkaro --record again, with its seed,\n"
        "                          steps, input and answers, and check that it ends the same\n"
        "                          (exit status 1 and what differs when it does not)\n"
        "  -h, --help              show this help\n\n"
        "The input and answers files are described in docs/headless.md.\n",
        &velkaro::qvf::RunCommand},
};

constexpr const char* kExitStatuses =
    "Exit status, the same for every command:\n"
    "  0  done\n"
    "  1  a file is at fault: a game file that cannot be read, a description with errors,\n"
    "     code with errors (check; with --strict, warnings too), an input or answers file with\n"
    "     errors (run), or an output that cannot be written; the message says which\n"
    "  2  wrong usage: one line on standard error\n"
    "  3  run: the time of --timeout ran out, and the game was ended as if closed\n";

// The help names documents by their place in the source, docs/NAME.md; an installed qvf names
// them where they were installed with it, found from its own folder.
std::string WithInstalledDocuments(std::string text) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    const fs::path installed = (self.parent_path() / QVF_DOCS_FROM_PROGRAM).lexically_normal();
    if (error || !fs::is_directory(installed, error)) {
        return text;
    }
    const std::string source = "docs/";
    const std::string folder = installed.string() + "/";
    for (std::size_t at = text.find(source); at != std::string::npos;
         at = text.find(source, at + folder.size())) {
        text.replace(at, source.size(), folder);
    }
    return text;
}

void ShowHelp(std::ostream& out) {
    out << "usage: qvf COMMAND [ARGUMENTS]\n\nqvf: the tool for game files\n\ncommands:\n";
    for (const Command& command : kCommands) {
        out << "  " << command.synopsis << "\n      " << command.summary << "\n";
    }
    out << "  qvf COMMAND --help\n      show the options of a command\n"
           "  qvf --help\n      show this help\n"
           "  qvf --version\n      show the version of qvf\n\n"
        << kExitStatuses
        << WithInstalledDocuments(
               "\nThe game description format is documented in docs/game-description.md.\n");
}

void ShowCommandHelp(const Command& command, std::ostream& out) {
    out << "usage: " << command.synopsis << "\n\n"
        << command.summary << "\n\noptions:\n"
        << WithInstalledDocuments(command.options) << "\n"
        << kExitStatuses;
}

bool IsHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

const Command* FindCommand(const std::string& name) {
    for (const Command& command : kCommands) {
        if (name == command.name) {
            return &command;
        }
    }
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << "qvf: missing command (try qvf --help)\n";
        return velkaro::qvf::kExitUsage;
    }
    if (args[0] == "--version" && args.size() == 1) {
        std::cout << "qvf " << VELKARO_VERSION << "\n";
        return velkaro::qvf::kExitDone;
    }
    if ((IsHelp(args[0]) || args[0] == "help") && args.size() == 1) {
        ShowHelp(std::cout);
        return velkaro::qvf::kExitDone;
    }
    if (args[0] == "help" && args.size() == 2) {
        if (const Command* command = FindCommand(args[1])) {
            ShowCommandHelp(*command, std::cout);
            return velkaro::qvf::kExitDone;
        }
        std::cerr << "qvf help: unknown command " << args[1] << " (try qvf --help)\n";
        return velkaro::qvf::kExitUsage;
    }
    if (args[0] == "--version" || IsHelp(args[0]) || args[0] == "help") {
        std::cerr << "qvf " << args[0] << ": unexpected argument " << args[1]
                  << " (try qvf --help)\n";
        return velkaro::qvf::kExitUsage;
    }
    const Command* command = FindCommand(args[0]);
    if (command == nullptr) {
        std::cerr << "qvf: unknown command " << args[0] << " (try qvf --help)\n";
        return velkaro::qvf::kExitUsage;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (std::any_of(rest.begin(), rest.end(), IsHelp)) {
        ShowCommandHelp(*command, std::cout);
        return velkaro::qvf::kExitDone;
    }
    return command->run(rest, std::cout, std::cerr);
}

// fontconfig keeps its configuration until the process ends; leak checks of sanitizer builds
// pass over it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
