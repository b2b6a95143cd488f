#pragma once

#include "data/CodeTree.h"
#include "script/Tokenizer.h"

#include <optional>
#include <string>

namespace velkaro {

class CAction;
class CFunctionRegistry;
class CObjectList;

// Nesting (parentheses, signs, calls, blocks, statements inside statements) deeper than this
// is refused with kNestedTooDeeply rather than exhausting the stack. Counted across
// evaluations that run inside one another, so that code which keeps starting itself through
// events is stopped as well.
constexpr int kMaxNesting = 256;

// Message recorded when code nests deeper than kMaxNesting.
inline const char* const kNestedTooDeeply = "Code is nested too deeply.";

// Reads `text` (tokenized as `tokens`) once, as an expression or as code, into the tree the
// interpreter runs.
//
// Reading goes as far as the first error of form (an unexpected symbol, a missing bracket, an
// unknown function or object, a wrong number of arguments, nesting deeper than kMaxNesting)
// and keeps it in the tree at the place where running meets it: the statements and operands
// before it still run, in order, and the error is reported when running reaches it, as if the
// text were read while it runs. Statements that running passes over (a branch not taken, a
// loop that does not run) still report the errors they hold.
//
// For code, only the first statement (normally a block) is read; for an expression, the rest
// of the text behind the expression is never looked at.
CodeTree CompileText(std::string text, CTokenList tokens, CodeForm form,
                     const CFunctionRegistry& functions);

// Tokenizes and compiles `text`.
CodeTree PrepareText(const std::string& text, CodeForm form, const TokenNames& names);

// The first error that passing over statement `node` of `tree` without running it finds when
// `depth` levels of nesting are already in use. Only needed when the statement's own nesting
// goes deeper than kMaxNesting allows from there (see CodeNode::skipDepth).
std::optional<ScriptError> SkipError(const CodeTree& tree, const CodeNode& node, int depth,
                                     const CFunctionRegistry& functions);

// The first error of form in a compiled text, as a check of a game's code reports it; none for
// errors that only running shows (types, division by 0, variables without a value).
std::optional<ScriptError> FirstError(const CodeTree& tree);

// Compiles the arguments of the action afresh, each in the form the action reads it in.
void PrepareAction(CAction& action, const TokenNames& names);

// Compiles the arguments of every action of every object, once, when a game starts: names
// mean what they mean at that moment.
void PrepareActions(CObjectList& objects, const TokenNames& names);

} // namespace velkaro
