// qvf check GAME.qvf: finds the errors in a game's code without playing it.
#include "CommandLine.h"

#include "base/AnsiText.h"
#include "data/GameLoader.h"
#include "functions/FunctionTables.h"
#include "script/CodeCheck.h"

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

} // namespace

int CheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1 || args[0].empty() || args[0].front() == '-') {
        err << "qvf check: expected one game file (usage: qvf check GAME.qvf)\n";
        return kExitUsage;
    }
    MessagesToStream messages(err);
    GameData game;
    if (!LoadGame(args[0], game, messages)) {
        return kExitFailed;
    }
    const std::vector<CodeFinding> findings = CheckGameCode(game, FunctionRegistry());
    for (const CodeFinding& finding : findings) {
        out << AnsiToUtf8(DescribeFinding(finding)) << "\n";
    }
    return findings.empty() ? kExitDone : kExitFailed;
}

} // namespace velkaro::qvf
