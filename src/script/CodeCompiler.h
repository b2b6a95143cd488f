#pragma once

#include "data/CodeTree.h"
#include "script/CodeParser.h"
#include "script/Tokenizer.h"

#include <string>

namespace velkaro {

class CAction;
class CFunctionRegistry;
class CObjectList;

// Reads `text` (tokenized as `tokens`) once, as an expression or as code, into its tree
// (script/CodeParser.h) and the instructions the interpreter runs (script/CodeGenerator.h).
CodeTree CompileText(std::string text, CTokenList tokens, CodeForm form,
                     const CFunctionRegistry& functions);

// Tokenizes and compiles `text`.
CodeTree PrepareText(const std::string& text, CodeForm form, const TokenNames& names);

// Compiles the arguments of the action afresh, each in the form the action reads it in.
void PrepareAction(CAction& action, const TokenNames& names);

// Compiles the arguments of every action of every object, once, when a game starts: names
// mean what they mean at that moment.
void PrepareActions(CObjectList& objects, const TokenNames& names);

} // namespace velkaro
