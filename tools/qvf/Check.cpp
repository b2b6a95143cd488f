// qvf check GAME.qvf|GAME.json [--strict]: finds the errors in a game's code and its likely
// mistakes without playing it.
#include "CommandLine.h"

#include "base/AnsiText.h"
#include "data/GameLoader.h"
#include "description/DescribedGame.h"
#include "description/GameDescription.h"
#include "functions/FunctionTables.h"
#include "script/ActionArguments.h"
#include "script/CodeCheck.h"
#include "script/GameWarnings.h"

#include <optional>
#include <string>

namespace velkaro::qvf {
namespace {

// The loader's messages go to standard error. The loader asks nothing, so the other boxes
// only answer as a closed box would.
class MessagesToStream : public Dialogs {
public:
    explicit MessagesToStream(std::ostream& out) : out_(out) {}
    void ShowMessage(const std::string& text) override {
        out_ << "qvf check: " << AnsiToUtf8(text) << "\n";
    }
    bool ShowQuestion(const std::string&) override { return false; }
    std::optional<std::string> AskText(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    void ShowGameInfo() override {}

private:
    std::ostream& out_;
};

// The pieces of code the check reads: every expression, piece of code and quoted text of the
// actions in the events that run.
std::size_t CountPiecesOfCode(const GameData& game) {
    std::size_t count = 0;
    for (int o = 1; o <= game.objects.Count(); ++o) {
        game.objects.Get(o).ForEachEventList([&](int row, int, const CActionList& list) {
            if (EventRowName(row)[0] == '\0') {
                return;
            }
            for (int a = 1; a <= list.Count(); ++a) {
                const CAction& action = list.Get(a);
                const ActionArgumentKinds kinds = ArgumentKindsOf(action.id);
                for (std::size_t k = 0; k < kinds.size(); ++k) {
                    const bool code =
                        kinds[k] == ArgumentKind::Expression || kinds[k] == ArgumentKind::Code ||
                        (kinds[k] == ArgumentKind::Text && IsQuotedText(action.arguments[k]));
                    count += code ? 1 : 0;
                }
            }
        });
    }
    return count;
}

} // namespace

GameCheck CheckLoadedGame(GameData& game) {
    GameCheck check;
    check.errors = CheckGameCode(game, FunctionRegistry());
    check.warnings = FindLikelyMistakes(game, FunctionRegistry());
    return check;
}

int CheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    constexpr const char* kUsage = " (usage: qvf check GAME.qvf|GAME.json [--strict])";
    bool strict = false;
    std::vector<std::string> files;
    for (const std::string& arg : args) {
        if (arg == "--strict") {
            strict = true;
        } else if (arg.size() > 1 && arg.front() == '-') {
            err << "qvf check: unknown option " << arg << kUsage << "\n";
            return kExitUsage;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 1 || files[0].empty()) {
        err << "qvf check: expected one game file" << kUsage << "\n";
        return kExitUsage;
    }
    const std::string& file = files[0];
    const bool description = IsDescriptionName(file);
    if (const auto problem = description ? std::nullopt : NotAGameFile(file)) {
        err << "qvf check: " << file << " " << *problem << "\n";
        return kExitFailed;
    }
    MessagesToStream messages(err);
    GameData game;
    const auto warn = [&](const std::string& warning) {
        err << "qvf check: " << file << ": warning: " << warning << "\n";
    };
    if (!(description ? LoadDescribedGame(file, game, messages, warn)
                      : LoadGame(file, game, messages))) {
        return kExitFailed;
    }
    const GameCheck check = CheckLoadedGame(game);
    for (const CodeFinding& finding : check.errors) {
        out << AnsiToUtf8(DescribeFinding(finding)) << "\n";
    }
    for (const GameWarning& warning : check.warnings) {
        out << AnsiToUtf8(DescribeWarning(warning)) << "\n";
    }
    if (!check.errors.empty()) {
        return kExitFailed;
    }
    out << file << ": no errors in "
        << Counted(CountPiecesOfCode(game), "piece of code", "pieces of code");
    if (!check.warnings.empty()) {
        out << ", " << Counted(check.warnings.size(), "warning", "warnings");
    }
    out << "\n";
    return strict && !check.warnings.empty() ? kExitFailed : kExitDone;
}

} // namespace velkaro::qvf
