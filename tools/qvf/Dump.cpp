// qvf dump GAME.qvf -o DIR: writes DIR/game.json and one BMP file per sub-image.
#include "CommandLine.h"
#include "description/GameDescription.h"
#include "description/GameFileSyntax.h"

#include "base/WholeFile.h"

#include "data/StreamClass.h"

namespace velkaro::qvf {
namespace {

// Writes the sprites first, so that a game.json never names a file that is not there yet.
void WriteDescription(const Description& description, const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!description.sprites.empty()) {
        std::filesystem::create_directories(folder / "sprites", error);
    }
    if (error) {
        throw FileWriteError(folder.string() + ": cannot make the folder: " + error.message());
    }
    for (const SpriteFile& sprite : description.sprites) {
        WriteFileWhole(folder / sprite.name, sprite.bytes);
    }
    WriteFileWhole(folder / "game.json", FormatDescription(description.json));
}

} // namespace

int DumpCommand(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    const auto files = ReadInputAndOutput(args, "dump", "GAME.qvf", "DIR", err);
    if (!files) {
        return kExitUsage;
    }
    const std::string source = files->input.string();
    SyntaxReading reading;
    try {
        std::error_code error;
        if (!std::filesystem::exists(files->input, error)) {
            err << "qvf dump: " << source << ": no such file\n";
            return kExitFailed;
        }
        if (const auto problem = NotAGameFile(files->input)) {
            err << "qvf dump: " << source << " " << *problem << "\n";
            return kExitFailed;
        }
        if (!std::filesystem::is_regular_file(files->input, error)) {
            err << "qvf dump: " << source << ": not a file\n";
            return kExitFailed;
        }
        reading = ReadGameFileSyntax(ReadFileBytes(files->input));
        WriteDescription(DescribeGame(reading.game), files->output);
    } catch (const GameFileError& e) {
        err << "qvf dump: " << source << ": cannot be read: " << e.what() << "\n";
        return kExitFailed;
    } catch (const GameFileSyntaxError& e) {
        err << "qvf dump: " << source << ": not a game file that can be read: " << e.what() << "\n";
        return kExitFailed;
    } catch (const FileWriteError& e) {
        err << "qvf dump: " << e.what() << "\n";
        return kExitFailed;
    }
    for (const std::string& note : ReviewGame(reading.game)) {
        err << "qvf dump: " << source << ": note: " << note << "\n";
    }
    if (!reading.inexact.empty()) {
        err << "qvf dump: " << source << ": " << (files->output / "game.json").string()
            << " holds what the player reads, but packing it will not give this file back byte "
               "for byte:\n";
        for (const std::string& issue : reading.inexact) {
            err << "qvf dump:   " << issue << "\n";
        }
        return kExitFailed;
    }
    return kExitDone;
}

} // namespace velkaro::qvf
