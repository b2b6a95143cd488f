#pragma once

#include "base/VariableClass.h"
#include "data/CodeProgram.h"
#include "data/TokenClass.h"

#include <cstdint>
#include <string>
#include <vector>

namespace velkaro {

// The first error of an evaluation or of a text: where it was found, counted in the text
// (lines are separated by "#"), and what it was.
struct ScriptError {
    int line = 1;
    int position = 0;
    std::string message;
    // Offers the player no way to go on.
    bool fatal = false;

    friend bool operator==(const ScriptError&, const ScriptError&) = default;
};

// How a text is read: as an expression, as a piece of code, or not at all.
enum class CodeForm : std::uint8_t { None, Expression, Code };

enum class NodeKind : std::uint8_t {
    // Expressions. Every kind but Value counts one level of nesting when it is evaluated.
    Value,       // a constant
    Variable,    // a variable, with an index expression when written with brackets
    Call,        // a built-in function (also a statement of its own)
    Parenthesis, // ( expression )
    Not,
    UnaryPlus,
    UnaryMinus,
    FactorError, // an operand that cannot be read: the error is recorded when it is reached
    // Operators; they nest nothing themselves. Logical, Additive and Term hold a first operand
    // and a run of links, each an operator with its right operand, applied from the left.
    Logical,    // and, or
    Comparison, // < <= = <> >= >, between the first and second operand
    Additive,   // + -
    Term,       // * /
    // Statements. Each counts one level of nesting when it runs or is passed over.
    StatementError,
    Assignment,
    Block,
    If,
    While,
    Repeat,
    Exit,
    Forall,
    Empty, // a lone ";"
};

// One node of a compiled text. Children are node numbers; -1 where there is none (also where
// the text ended in an error before the child was reached: it is then never reached).
struct CodeNode {
    NodeKind kind = NodeKind::Value;
    // The operator's token kind; for Forall 1 when it visits every instance.
    std::int32_t op = 0;
    // Left operand, inner expression, index, condition, count or object.
    std::int32_t first = -1;
    // Right operand, assigned value, then-branch or loop body.
    std::int32_t second = -1;
    // Else-branch.
    std::int32_t third = -1;
    // The constant, variable or function this node uses (an index into the tree's tables or
    // the function's number).
    std::int32_t detail = -1;
    // A run of CodeTree::lists: the arguments of a call, the statements of a block; or of
    // CodeTree::links: the operators of a chain.
    std::int32_t listStart = 0;
    std::int32_t listCount = 0;
    // An error the text holds at this node, recorded when running reaches it (an index into
    // CodeTree::errors), or -1.
    std::int32_t error = -1;
    // How deep the node is nested in its text, counting itself (operators count nothing), and
    // where it begins: running it deeper than the limit is an error reported there.
    std::int32_t depth = 0;
    CodePoint at;
    // Where the reading stands behind the node's operands: errors of values are reported there.
    CodePoint after;
    // Assignments: where reading the variable's old value fails.
    CodePoint read;
    // Statements: what passing over them without running finds. `skipError` is the error the
    // text holds inside the statement (or -1) and `skipDepth` how many levels of nesting the
    // passing goes down, counting the statement itself; `firstToken` is where it begins.
    std::int32_t skipError = -1;
    std::int32_t skipDepth = 0;
    std::int32_t firstToken = 1;
};

// An operator of a chain and its right operand; `after` is where reading stood behind the
// operand: errors of the operation are reported there.
struct CodeLink {
    std::int32_t op = 0;
    std::int32_t operand = -1;
    CodePoint after;
};

// Which list of user variables a name reads and writes, when it names a user variable.
enum class UserList : std::uint8_t { None, Self, Other, Global };

// A name a variable node reads or writes, as its token resolved it.
struct CodeVariable {
    std::int32_t owner = -1;
    std::int32_t number = -1;
    std::string name;
    std::string prefix;
    UserList user = UserList::None;
    // NameKey(name), for the lists of user variables.
    std::uint64_t key = 0;
};

// An error a text holds: found by reading the text, without running it.
struct CodeError {
    std::string message;
    CodePoint point;
};

// A text of a game's code read once into a tree (script/CodeParser.h), and the instructions
// made from the tree, which are what runs (script/CodeGenerator.h). The tree keeps the text and
// its tokens: passing over a statement nested unusually deep is worked out from them again.
struct CodeTree {
    CodeForm form = CodeForm::None;
    std::string text;
    CTokenList tokens;
    std::vector<CodeNode> nodes;
    std::vector<std::int32_t> lists;
    std::vector<CodeLink> links;
    std::vector<RValue> constants;
    std::vector<CodeVariable> variables;
    // At most one: reading stops at the first error.
    std::vector<CodeError> errors;
    // The node an evaluation starts with; -1 for an empty text.
    std::int32_t root = -1;
    // The deepest nesting of the text (up to one level beyond the limit, where reading stops).
    std::int32_t deepest = 0;
    CodeProgram program;

    bool Empty() const { return root < 0; }
};

} // namespace velkaro
