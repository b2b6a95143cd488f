#pragma once

#include "data/CodeTree.h"

#include <optional>

namespace velkaro {

class CFunctionRegistry;

// Nesting (parentheses, signs, calls, blocks, statements inside statements) deeper than this
// is refused with kNestedTooDeeply rather than exhausting the stack. Counted across
// evaluations that run inside one another, so that code which keeps starting itself through
// events is stopped as well.
constexpr int kMaxNesting = 256;

// Message recorded when code nests deeper than kMaxNesting.
inline const char* const kNestedTooDeeply = "Code is nested too deeply.";

// Reads the text of `tree` (tokenized in tree.tokens) in tree.form into its nodes, by
// recursive descent.
//
// Reading goes as far as the first error of form (an unexpected symbol, a missing bracket, an
// unknown function or object, a wrong number of arguments, nesting deeper than kMaxNesting)
// and keeps it in the tree at the place where running meets it: the statements and operands
// before it still run, in order, and the error is reported when running reaches it, as if the
// text were read while it runs. Statements that running passes over (a branch not taken, a
// loop that does not run) still report the errors they hold (CodeNode::skipError).
//
// For code, only the first statement (normally a block) is read; for an expression, the rest
// of the text behind the expression is never looked at.
void ParseText(CodeTree& tree, const CFunctionRegistry& functions);

// The first error that passing over statement `node` of `tree` without running it finds when
// `depth` levels of nesting are already in use. Only needed when the statement's own nesting
// goes deeper than kMaxNesting allows from there (see CodeNode::skipDepth).
std::optional<ScriptError> SkipError(const CodeTree& tree, const CodeNode& node, int depth,
                                     const CFunctionRegistry& functions);

// The first error of form in a read text, as a check of a game's code reports it; none for
// errors that only running shows (types, division by 0, variables without a value).
std::optional<ScriptError> FirstError(const CodeTree& tree);

} // namespace velkaro
