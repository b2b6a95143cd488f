#include "script/CodeCompiler.h"

#include "data/ActionClass.h"
#include "data/ObjectClass.h"
#include "script/ActionArguments.h"
#include "script/CodeGenerator.h"
#include "script/CodeParser.h"

#include <utility>

namespace velkaro {

CodeTree CompileText(std::string text, CTokenList tokens, CodeForm form,
                     const CFunctionRegistry& functions) {
    CodeTree tree;
    tree.form = form;
    tree.text = std::move(text);
    tree.tokens = std::move(tokens);
    ParseText(tree, functions);
    GenerateProgram(tree);
    return tree;
}

CodeTree PrepareText(const std::string& text, CodeForm form, const TokenNames& names) {
    return CompileText(text, Tokenize(text, names), form, names.functions);
}

void PrepareAction(CAction& action, const TokenNames& names) {
    const ActionArgumentKinds kinds = ArgumentKindsOf(action.id);
    for (std::size_t i = 0; i < action.arguments.size(); ++i) {
        const std::string& text = action.arguments[i];
        CodeForm form = CodeForm::None;
        switch (kinds[i]) {
        case ArgumentKind::Expression:
            form = CodeForm::Expression;
            break;
        case ArgumentKind::Text:
            form = IsQuotedText(text) ? CodeForm::Expression : CodeForm::None;
            break;
        case ArgumentKind::Code:
            form = CodeForm::Code;
            break;
        case ArgumentKind::Unused:
        case ArgumentKind::Font:
            break;
        }
        action.code[i] = PrepareText(text, form, names);
    }
}

void PrepareActions(CObjectList& objects, const TokenNames& names) {
    for (int o = 1; o <= objects.Count(); ++o) {
        objects.Get(o).ForEachEventList([&names](int, int, CActionList& list) {
            for (int i = 1; i <= list.Count(); ++i) {
                PrepareAction(list.Get(i), names);
            }
        });
    }
}

} // namespace velkaro
