// qvf pack DESC.json -o GAME.qvf [--data]: makes a game file from its description, and with
// --data puts the description's data folder beside it.
#include "CommandLine.h"
#include "description/GameDescription.h"
#include "description/GameFileSyntax.h"

#include "base/AnsiText.h"
#include "base/WholeFile.h"
#include "data/GameLoader.h"

#include <algorithm>

namespace velkaro::qvf {
namespace {

namespace fs = std::filesystem;

// The loader's refusals are said already by the description's review; the loader asks
// nothing.
class NoMessages : public Dialogs {
public:
    void ShowMessage(const std::string&) override {}
    bool ShowQuestion(const std::string&) override { return false; }
    std::optional<std::string> AskText(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void ShowGameInfo() override {}
};

// The folder the player looks in for the media of the game in `file`: NAME_data beside it.
fs::path DataFolderOf(const fs::path& file) {
    return file.parent_path() / (file.stem().string() + "_data");
}

// The path made absolute, wherever links lead; as written when that cannot be found.
fs::path Resolved(const fs::path& path) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(path, error);
    return error ? fs::absolute(path, error).lexically_normal() : resolved;
}

// Whether `inner` is `outer` or lies inside it.
bool Within(const fs::path& inner, const fs::path& outer) {
    const fs::path a = Resolved(inner);
    const fs::path b = Resolved(outer);
    const auto [stop, unused] = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
    return stop == b.end();
}

// Why the description's data folder cannot be copied to the game's, if it cannot; checked
// before anything is written.
std::optional<std::string> DataFolderProblem(const fs::path& description, const fs::path& game) {
    const fs::path from = DataFolderOf(description);
    const fs::path to = DataFolderOf(game);
    std::error_code error;
    if (!fs::is_directory(from, error)) {
        return "--data: there is no data folder " + from.string() + " beside the description";
    }
    if (fs::exists(to, error) && !fs::is_directory(to, error)) {
        return "--data: " + to.string() + " is there already, and is not a folder";
    }
    if (!(fs::exists(to, error) && fs::equivalent(from, to, error)) &&
        (Within(to, from) || Within(from, to))) {
        return "--data: cannot copy " + from.string() + " to " + to.string() +
               ": one folder lies inside the other";
    }
    return std::nullopt;
}

// Copies the description's data folder to the game's, unless they are one folder (the game
// packed beside its description). Files there already are replaced; symbolic links are copied
// as links, never followed, so nothing outside the folder is read. Answers the message when
// it cannot.
std::optional<std::string> CopyDataFolder(const fs::path& description, const fs::path& game) {
    const fs::path from = DataFolderOf(description);
    const fs::path to = DataFolderOf(game);
    std::error_code error;
    if (fs::exists(to, error) && fs::equivalent(from, to, error)) {
        return std::nullopt;
    }
    fs::copy(from, to,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing |
                 fs::copy_options::copy_symlinks,
             error);
    if (error) {
        return "--data: cannot copy " + from.string() + " to " + to.string() + ": " +
               error.message();
    }
    return std::nullopt;
}

// What `qvf check` would say of the packed game, as the player would load it from `game`.
void ReportCheck(const std::vector<std::uint8_t>& bytes, const fs::path& game,
                 const std::string& source, std::ostream& err) {
    NoMessages silent;
    GameData data;
    if (!LoadGameFromBytes(bytes, game, data, silent)) {
        return;
    }
    const GameCheck check = CheckLoadedGame(data);
    for (const CodeFinding& finding : check.errors) {
        err << "qvf pack: " << source << ": error: " << AnsiToUtf8(DescribeFinding(finding))
            << "\n";
    }
    for (const GameWarning& warning : check.warnings) {
        err << "qvf pack: " << source << ": " << AnsiToUtf8(DescribeWarning(warning)) << "\n";
    }
}

} // namespace

int PackCommand(const std::vector<std::string>& args, std::ostream&, std::ostream& err) {
    std::vector<std::string> files;
    std::copy_if(args.begin(), args.end(), std::back_inserter(files),
                 [](const std::string& arg) { return arg != "--data"; });
    const bool copyData = files.size() != args.size();
    const auto paths = ReadInputAndOutput(files, "pack", "DESC.json", "GAME.qvf", err, " [--data]");
    if (!paths) {
        return kExitUsage;
    }
    const std::string source = paths->input.string();
    std::error_code error;
    if (std::filesystem::is_directory(paths->input, error)) {
        err << "qvf pack: " << source << " is a directory\n";
        return kExitFailed;
    }
    if (const auto head = ReadFileWhole(paths->input); head && StartsLikeAGameFile(*head)) {
        err << "qvf pack: " << source
            << " is a game file, not a description: qvf dump writes its description\n";
        return kExitFailed;
    }
    if (copyData) {
        if (const auto problem = DataFolderProblem(paths->input, paths->output)) {
            err << "qvf pack: " << *problem << "\n";
            return kExitFailed;
        }
    }
    PackedGame packed;
    try {
        packed = PackDescriptionFile(paths->input);
        for (const std::string& warning : packed.warnings) {
            err << "qvf pack: " << source << ": warning: " << warning << "\n";
        }
        WriteFileWhole(paths->output, packed.bytes);
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
    if (copyData) {
        if (const auto problem = CopyDataFolder(paths->input, paths->output)) {
            err << "qvf pack: " << *problem << "\n";
            return kExitFailed;
        }
    }
    ReportCheck(packed.bytes, paths->output, source, err);
    return kExitDone;
}

} // namespace velkaro::qvf
