#include "script/CodeCheck.h"

#include "base/KeyNames.h"
#include "data/GameLoader.h"
#include "script/CodeCompiler.h"
#include "script/FunctionUnit.h"

namespace velkaro {
namespace {

// Rows 7, 8 and 12 are kept in the file but never run.
bool RowRuns(int row) {
    return EventRowName(row)[0] != '\0';
}

} // namespace

std::vector<CodeFinding> CheckGameCode(GameData& game, const CFunctionRegistry& functions) {
    PrepareActions(game.objects, TokenNames{game.objects, game.sounds, functions});
    std::vector<CodeFinding> findings;
    for (int o = 1; o <= game.objects.Count(); ++o) {
        const CObject& object = game.objects.Get(o);
        object.ForEachEventList([&](int row, int sub, const CActionList& list) {
            if (!RowRuns(row)) {
                return;
            }
            for (int a = 1; a <= list.Count(); ++a) {
                const CAction& action = list.Get(a);
                // Each argument was compiled in the form its action reads it in; texts that are
                // not read hold no tree and no error.
                for (std::size_t k = 0; k < action.code.size(); ++k) {
                    if (const std::optional<ScriptError> error = FirstError(action.code[k])) {
                        findings.push_back(
                            {o, object.name, row, sub, a, static_cast<int>(k) + 1, *error});
                    }
                }
            }
        });
    }
    return findings;
}

std::string DescribeEvent(int row, int sub) {
    const std::string name = EventRowName(row);
    if (name.empty()) {
        return "event row " + std::to_string(row) + " sub-event " + std::to_string(sub);
    }
    if (row == kKeyboardEvent && sub == 0) {
        return name + " no key";
    }
    const std::string_view key = row == kKeyboardEvent ? NameOfKeyCode(sub) : std::string_view();
    return name + " " + (key.empty() ? std::to_string(sub) : std::string(key));
}

std::string DescribeFinding(const CodeFinding& f) {
    return f.objectName + ", " + DescribeEvent(f.row, f.sub) + ", action " +
           std::to_string(f.action) + ", argument " + std::to_string(f.argument) + ": line " +
           std::to_string(f.error.line) + " pos " + std::to_string(f.error.position) + ": " +
           f.error.message;
}

} // namespace velkaro
