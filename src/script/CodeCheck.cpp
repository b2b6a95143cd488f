#include "script/CodeCheck.h"

#include "data/GameLoader.h"
#include "script/ActionArguments.h"
#include "script/FunctionUnit.h"
#include "script/Tokenizer.h"

namespace velkaro {
namespace {

// Rows 7, 8 and 12 are kept in the file but never run.
bool RowRuns(int row) {
    return EventRowName(row)[0] != '\0';
}

} // namespace

std::vector<CodeFinding> CheckGameCode(GameData& game, const CFunctionRegistry& functions) {
    PrepareActions(game.objects, TokenNames{game.objects, game.sounds, functions});
    CCodeWalker walker(functions);

    std::vector<CodeFinding> findings;
    for (int o = 1; o <= game.objects.Count(); ++o) {
        const CObject& object = game.objects.Get(o);
        object.ForEachEventList([&](int row, int sub, const CActionList& list) {
            if (!RowRuns(row)) {
                return;
            }
            for (int a = 1; a <= list.Count(); ++a) {
                const CAction& action = list.Get(a);
                const ActionArgumentKinds kinds = ArgumentKindsOf(action.id);
                for (std::size_t k = 0; k < kinds.size(); ++k) {
                    const std::string& text = action.arguments[k];
                    std::optional<ScriptError> error;
                    switch (kinds[k]) {
                    case ArgumentKind::Expression:
                        error = walker.CheckExpression(action.tokens[k], text);
                        break;
                    case ArgumentKind::Text:
                        if (IsQuotedText(text)) {
                            error = walker.CheckExpression(action.tokens[k], text);
                        }
                        break;
                    case ArgumentKind::Code:
                        error = walker.CheckCode(action.tokens[k], text);
                        break;
                    case ArgumentKind::Unused:
                    case ArgumentKind::Font:
                        break;
                    }
                    if (error) {
                        findings.push_back(
                            {o, object.name, row, sub, a, static_cast<int>(k) + 1, *error});
                    }
                }
            }
        });
    }
    return findings;
}

std::string DescribeFinding(const CodeFinding& f) {
    return f.objectName + ", " + EventRowName(f.row) + " " + std::to_string(f.sub) + ", action " +
           std::to_string(f.action) + ", argument " + std::to_string(f.argument) + ": line " +
           std::to_string(f.error.line) + " pos " + std::to_string(f.error.position) + ": " +
           f.error.message;
}

} // namespace velkaro
