// velkaro: plays a game in a window.
#include "backends/desktop/OpenGameDialog.h"
#include "main/Player.h"
#include "main/PlayerSettings.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>

namespace {

constexpr const char* kUsage =
    "Usage: velkaro [OPTIONS] [GAME.qvf | GAME.json]\n"
    "Plays a game: the game file GAME.qvf with its data folder GAME_data beside it, or a game\n"
    "description GAME.json as qvf pack would pack it, without packing it first.\n"
    "Without a game, plays \"game.qvf\" from the player's own folder, or asks for a game file.\n"
    "\n"
    "While a game plays: F1 shows its information, F4 switches between window and full\n"
    "screen, Escape ends it (each as far as the game keeps these keys on).\n"
    "\n"
    "  --fullscreen     start full screen, whatever the game says\n"
    "  --window         start in a window, whatever the game says\n"
    "  --scale N|fit    the window at N times the game's size at the start (1 to 8), or as\n"
    "                   large as fits the screen; the picture scales as when resized\n"
    "  --mute           play without sound or music\n"
    "  --volume PERCENT the loudness of everything the game plays, 0 to 100\n"
    "  --allow-programs let the game start programs and open files and addresses without\n"
    "                   asking (it asks the first time otherwise)\n"
    "  --deny-programs  refuse them without asking\n"
    "  --verbose        write on standard error what the player chose and why: display,\n"
    "                   renderer, audio device, sound font, media it could not read\n"
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
    "The options (but --record, --watch and --debug) can also be kept in the settings file\n"
    "$XDG_CONFIG_HOME/velkaro/settings (see man velkaro); the command line wins.\n"
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

// The options before the game, from argv[first] on; `first` is left at the game's name.
// Answers the exit status when they are wrong.
std::optional<int> ParseOptions(int argc, char** argv, int& first, velkaro::PlayOptions& options) {
    const auto fail = [](const std::string& message) {
        std::cerr << "velkaro: " << message << " (velkaro --help lists the options)\n";
        return 2;
    };
    while (first < argc) {
        const std::string arg = argv[first];
        const bool hasValue = first + 1 < argc && argv[first + 1][0] != '\0';
        const std::string value = hasValue ? argv[first + 1] : "";
        if (arg == "--watch") {
            options.watch = true;
        } else if (arg == "--debug") {
            options.debug = true;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--fullscreen" || arg == "--window") {
            options.fullScreen = arg == "--fullscreen";
        } else if (arg == "--mute") {
            options.mute = true;
        } else if (arg == "--allow-programs" || arg == "--deny-programs") {
            options.allowPrograms = arg == "--allow-programs";
        } else if (arg == "--record") {
            if (!hasValue) {
                return fail("--record needs a folder to record into");
            }
            options.record = value;
            ++first;
        } else if (arg == "--scale") {
            const std::optional<int> scale = velkaro::WholeNumber(value, 1, velkaro::kLargestScale);
            if (value != "fit" && !scale) {
                return fail("--scale takes a whole number from 1 to " +
                            std::to_string(velkaro::kLargestScale) + ", or fit");
            }
            options.scale = scale.value_or(velkaro::kScaleToFit);
            ++first;
        } else if (arg == "--volume") {
            const std::optional<int> volume = velkaro::WholeNumber(value, 0, 100);
            if (!volume) {
                return fail("--volume takes a percentage from 0 to 100");
            }
            options.volume = *volume;
            ++first;
        } else if (arg.starts_with("--")) {
            return fail("unknown option " + arg);
        } else {
            break;
        }
        ++first;
    }
    return std::nullopt;
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
    if (const std::optional<int> failed = ParseOptions(argc, argv, first, options)) {
        return *failed;
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
