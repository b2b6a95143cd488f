// qvf pack DESC.json -o GAME.qvf: makes a game file from its description.
#include "CommandLine.h"
#include "GameDescription.h"
#include "GameFileSyntax.h"

#include "base/WholeFile.h"

namespace velkaro::qvf {
namespace {

std::string ReadText(const std::filesystem::path& path) {
    const auto bytes = ReadFileWhole(path);
    if (!bytes) {
        throw DescriptionError("cannot be opened");
    }
    return std::string(bytes->begin(), bytes->end());
}

} // namespace

int PackCommand(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    const auto files = ReadInputAndOutput(args, "pack", "DESC.json", "GAME.qvf", err);
    if (!files) {
        return kExitUsage;
    }
    const std::string source = files->input.string();
    std::error_code error;
    if (std::filesystem::is_directory(files->input, error)) {
        err << "qvf pack: " << source << " is a directory\n";
        return kExitFailed;
    }
    if (const auto head = ReadFileWhole(files->input); head && StartsLikeAGameFile(*head)) {
        err << "qvf pack: " << source
            << " is a game file, not a description: qvf dump writes its description\n";
        return kExitFailed;
    }
    try {
        const Json description = ParseDescription(ReadText(files->input));
        const GameFile game = GameFromDescription(description, files->input.parent_path());
        const std::vector<std::uint8_t> bytes = WriteGameFileSyntax(game);
        for (const std::string& warning : ReviewGame(game)) {
            err << "qvf pack: " << source << ": warning: " << warning << "\n";
        }
        WriteFileWhole(files->output, bytes);
    } catch (const DescriptionError& e) {
        err << "qvf pack: " << source << ": " << e.what() << "\n";
        return kExitFailed;
    } catch (const GameFileSyntaxError& e) {
        err << "qvf pack: " << source << ": " << e.what() << "\n";
        return kExitFailed;
    } catch (const FileWriteError& e) {
        err << "qvf pack: " << e.what() << "\n";
        return kExitFailed;
    }
    return kExitDone;
}

} // namespace velkaro::qvf
