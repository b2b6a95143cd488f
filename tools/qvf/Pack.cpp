// qvf pack DESC.json -o GAME.qvf: makes a game file from its description.
#include "CommandLine.h"
#include "description/GameDescription.h"
#include "description/GameFileSyntax.h"

#include "base/WholeFile.h"

namespace velkaro::qvf {

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
        const PackedGame packed = PackDescriptionFile(files->input);
        for (const std::string& warning : packed.warnings) {
            err << "qvf pack: " << source << ": warning: " << warning << "\n";
        }
        WriteFileWhole(files->output, packed.bytes);
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
