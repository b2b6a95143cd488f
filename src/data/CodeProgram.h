#pragma once

#include <cstdint>
#include <vector>

namespace velkaro {

// A place in a text that errors are reported at.
struct CodePoint {
    std::int32_t line = 1;
    std::int32_t position = 0;
};

// The instructions game code runs as (made by script/CodeGenerator.h, run by
// script/InterpretUnit.h). Values live in the slots of a frame: an expression leaves its value
// in the slot it was given and works in the slots above it. Operators work in place on their
// left operand's slot `a`, taking the right operand from the slot above it, or, in the ...K
// forms, from the instruction's `number` (a constant that is a plain number). Every instruction
// that can fail names the place of its error in `point`.
enum class Op : std::uint8_t {
    Constant,     // slot a = constant b
    ReadUser,     // slot a = user variable at site b (of the list `user`)
    ReadUserAt,   // the same, element (slot c) of it
    ReadBuiltIn,  // slot a = built-in variable of self (site b)
    ReadGame,     // slot a = game variable (site b)
    ReadAny,      // slot a = whatever site b names: sounds, names, instances of objects...
    ReadAnyAt,    // the same with an index in slot c
    StoreUser,    // user variable at site b (of the list `user`) = slot a
    StoreUserAt,  // its element (slot c) = slot a
    StoreBuiltIn, // built-in variable of self at site b = slot a
    StoreGame,    // game variable at site b = slot a
    StoreAny,     // whatever site b names = slot a (element slot c when c >= 0)
    Negate,       // real part of slot a negated
    Not,          // real part of slot a made 1 when it is false, 0 when true
    // Operators: slot a op slot a+1, into slot a; the ...K forms, kConstantForms places on,
    // take the constant `number` instead of slot a+1. Compound assignments (+= -= *= /=) are
    // the same operators on the old value, marked by `user` 1 for the messages.
    Add,
    Subtract,
    Multiply,
    Divide,
    And,
    Or,
    AddK,
    SubtractK,
    MultiplyK,
    DivideK,
    AndK,
    OrK,
    // Comparisons, the same way: truth 1 or 0 into slot a.
    Less,
    LessEqual,
    Equal,
    NotEqual,
    GreaterEqual,
    Greater,
    LessK,
    LessEqualK,
    EqualK,
    NotEqualK,
    GreaterEqualK,
    GreaterK,
    // A comparison that is the whole condition of an if or a while, kJumpForms places after
    // its plain form: go to b unless it holds.
    JumpUnlessLess,
    JumpUnlessLessEqual,
    JumpUnlessEqual,
    JumpUnlessNotEqual,
    JumpUnlessGreaterEqual,
    JumpUnlessGreater,
    JumpUnlessLessK,
    JumpUnlessLessEqualK,
    JumpUnlessEqualK,
    JumpUnlessNotEqualK,
    JumpUnlessGreaterEqualK,
    JumpUnlessGreaterK,
    WrongAssign,  // an assignment whose operator is none of them
    AddUserK,     // user variable at site b (list `user`) += `number`; its old value is read
                  // at point, the sum made at point+1
    Call,         // slot a = function b of the c arguments in the slots from a+1; d its depth
    Jump,         // go to b
    JumpIfNot,    // go to b unless slot a is true (if)
    JumpWhileNot, // go to b unless slot a rounds above 0 (while)
    Loop,         // count a pass of a loop, then go to b
    RepeatStart,  // slot a holds the count: go to b when it is not above 0
    RepeatNext,   // count a pass; one less in slot a, and back to b while some remain
    Forall,       // run the body behind it for each instance of object slot a (c 1: every
                  // instance), then go to b
    EndBody,      // end of a forall's body
    Exit,         // end the code without an error
    Fail,         // record error b of the text
    Return,       // end of the code
};

inline constexpr int kConstantForms = static_cast<int>(Op::AddK) - static_cast<int>(Op::Add);
inline constexpr int kJumpForms = static_cast<int>(Op::JumpUnlessLess) - static_cast<int>(Op::Less);
static_assert(static_cast<int>(Op::LessK) - static_cast<int>(Op::Less) == kConstantForms);
// Comparisons keep in `user` which one they are (0 for <, in the order above) and this flag
// when they take a constant.
inline constexpr std::uint8_t kWithConstant = 8;

// One instruction; the meaning of the fields depends on `op` (see Op).
struct Instruction {
    Op op = Op::Return;
    // Which list of user variables (UserList) a user variable's instructions use.
    std::uint8_t user = 0;
    std::int32_t a = 0;
    std::int32_t b = 0;
    // An index into CodeProgram::points; -1 when the instruction cannot fail.
    std::int32_t point = -1;
    union {
        double number = 0;
        struct {
            std::int32_t c;
            std::int32_t d;
        };
    };
};

// A variable as one place of the code names it, with what was learnt when it was last found:
// the position of a user variable in its list. Instances of one object mostly create their
// variables in the same order, so one position serves them all.
struct VariableSite {
    // The index of the name in CodeTree::variables, and the name's key (NameKey).
    std::int32_t variable = 0;
    mutable std::uint32_t position = 0;
    std::uint64_t key = 0;
};

// A node of the text that counts one level of nesting, entered where its first instruction
// runs. Only checked when the code runs nested so deeply that some node may lie beyond the
// limit (see CodeNode::depth).
struct NodeEntry {
    std::int32_t instruction = 0;
    std::int32_t depth = 0;
    std::int32_t node = 0;
};

struct CodeProgram {
    std::vector<Instruction> code;
    std::vector<VariableSite> sites;
    // Where instructions report their errors.
    std::vector<CodePoint> points;
    // The slots a run of the code needs.
    std::int32_t slots = 1;

    // For runs nested deeply (see NodeEntry): the entries in the order the code meets them,
    // the deepest entry at each instruction (0 for none) and the statement a jump passes over
    // (-1 for none).
    std::vector<NodeEntry> entries;
    std::vector<std::int32_t> deepestEntry;
    std::vector<std::int32_t> passes;
    // For expressions, to work out the value an evaluation that fails had reached: the node each
    // instruction belongs to, and each node's parent and slot.
    std::vector<std::int32_t> nodeOf;
    std::vector<std::int32_t> parents;
    std::vector<std::int32_t> slotOf;
};

} // namespace velkaro
