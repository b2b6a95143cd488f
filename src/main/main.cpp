// velkaro: plays a game in a window.
#include "backends/desktop/OpenGameDialog.h"
#include "main/Player.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

namespace {

constexpr const char* kUsage =
    "Usage: velkaro [--watch] [--debug] [--record FOLDER] [GAME.qvf | GAME.json]\n"
    "Plays a game: the game file GAME.qvf with its data folder GAME_data beside it, or a game\n"
    "description GAME.json as qvf pack would pack it, without packing it first.\n"
    "Without a game, plays \"game.qvf\" from the player's own folder, or asks for a game file.\n"
    "\n"
    "While a game plays: F1 shows its information, F4 switches between window and full\n"
    "screen, Escape ends it (each as far as the game keeps these keys on).\n"
    "\n"
    "  --record FOLDER  record the play into FOLDER: every step's keys, mouse and joystick,\n"
    "                   the answers to the boxes, the random seed, the saved values and\n"
    "                   scores it started and ended with, for qvf run to play it again\n"
    "                   and check that it ends the same (see man qvf)\n"
    "  --watch          for game authors: read the game again whenever its description,\n"
    "                   its sprites or its data folder change, and start it again in the\n"
    "                   room that was showing; the code check's findings go to standard\n"
    "                   error at each reading\n"
    "  --debug          for game authors: F12 shows or hides the debug view over the game\n"
    "                   (step rate and time, room, instances, last errors, every variable\n"
    "                   of the instance under the mouse), F11 pauses or resumes the game,\n"
    "                   F10 runs one step of a paused game, F9 prints the view on standard\n"
    "                   error; these keys reach the game only without --debug\n"
    "  --help           show this text\n"
    "  --version        show the player's version\n";

// The player's own file, as the system knows it; the name it was started by otherwise.
std::filesystem::path ProgramFile(const char* argv0) {
    std::error_code error;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || self.empty()) {
        self = std::filesystem::absolute(argv0 != nullptr ? argv0 : "velkaro", error);
    }
    return self;
}

} // namespace

int main(int argc, char** argv) {
    using namespace velkaro;
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::cout << kUsage;
        return 0;
    }
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::cout << "velkaro " << VELKARO_VERSION << '\n';
        return 0;
    }
    const std::filesystem::path program = ProgramFile(argc > 0 ? argv[0] : nullptr);
    int first = 1;
    PlayOptions options;
    options.program = program;
    while (first < argc) {
        const std::string arg = argv[first];
        if (arg == "--watch") {
            options.watch = true;
            ++first;
        } else if (arg == "--debug") {
            options.debug = true;
            ++first;
        } else if (arg == "--record") {
            if (first + 1 >= argc || argv[first + 1][0] == '\0') {
                std::cerr << "velkaro: --record needs a folder to record into\n";
                return 2;
            }
            options.record = argv[first + 1];
            first += 2;
        } else if (arg.starts_with("--")) {
            std::cerr << "velkaro: unknown option " << arg << " (velkaro --help lists them)\n";
            return 2;
        } else {
            break;
        }
    }
    if (options.watch && options.record) {
        // A recording replays one game from its start; a game read again is another game.
        std::cerr << "velkaro: --watch and --record cannot be used together\n";
        return 2;
    }
    std::filesystem::path game;
    if (argc > first) {
        // An unquoted path with blanks arrives as several arguments: they are one name.
        std::string name = argv[first];
        for (int i = first + 1; i < argc; ++i) {
            name += ' ';
            name += argv[i];
        }
        game = name;
    } else {
        const std::filesystem::path beside = program.parent_path() / "game.qvf";
        std::error_code error;
        if (std::filesystem::is_regular_file(beside, error)) {
            game = beside;
        } else {
            const std::optional<std::filesystem::path> chosen =
                ChooseGameFile(program.parent_path());
            if (!chosen) {
                return 0;
            }
            game = *chosen;
        }
    }
    try {
        options.file = game;
        if (options.watch && options.file.empty()) {
            std::cerr << "velkaro: --watch needs a game to watch\n";
            return 2;
        }
        return PlayGame(options);
    } catch (const std::exception& error) {
        // Memory exhausted, say: the game thread has been stopped and joined on the way out.
        std::cerr << "velkaro: " << error.what() << '\n';
        return 1;
    }
}
