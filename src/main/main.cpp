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
    "Usage: velkaro [--record FOLDER] [GAME.qvf | GAME.json]\n"
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
    std::optional<std::filesystem::path> record;
    if (argc > 1 && std::string(argv[1]) == "--record") {
        if (argc < 3 || argv[2][0] == '\0') {
            std::cerr << "velkaro: --record needs a folder to record into\n";
            return 2;
        }
        record = argv[2];
        first = 3;
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
        return PlayGame(game, program, record);
    } catch (const std::exception& error) {
        // Memory exhausted, say: the game thread has been stopped and joined on the way out.
        std::cerr << "velkaro: " << error.what() << '\n';
        return 1;
    }
}
