#include "script/CodeGenerator.h"

#include "data/TokenClass.h"
#include "script/VariableNames.h"

#include <algorithm>
#include <vector>

namespace velkaro {
namespace {

Op Shifted(Op op, int places) {
    return static_cast<Op>(static_cast<int>(op) + places);
}

// The operator instruction of a chain or comparison, by its token (the comparisons' tokens
// come in the order of their instructions).
Op OperatorOf(std::int32_t token) {
    if (token >= kTokLess && token <= kTokGreater) {
        return Shifted(Op::Less, token - kTokLess);
    }
    switch (token) {
    case kTokAnd:
        return Op::And;
    case kTokOr:
        return Op::Or;
    case kTokPlus:
        return Op::Add;
    case kTokMinus:
        return Op::Subtract;
    case kTokTimes:
        return Op::Multiply;
    case kTokDivide:
        return Op::Divide;
    default: // kTokAssign
        return Op::Equal;
    }
}

// What a comparison's instructions keep in `user`: which comparison it is, from 0 for <, and
// kWithConstant when it takes a constant (whether it jumps or not).
std::uint8_t ComparisonOf(Op op, bool constant) {
    if (op < Op::Less || op > Op::Greater) {
        return 0;
    }
    return static_cast<std::uint8_t>((static_cast<int>(op) - static_cast<int>(Op::Less)) |
                                     (constant ? kWithConstant : 0));
}

// The operator of a compound assignment (+= -= *= /=, whose tokens come in this order).
Op CompoundOf(std::int32_t token) {
    if (token >= kTokAddAssign && token <= kTokDivideAssign) {
        return Shifted(Op::Add, token - kTokAddAssign);
    }
    return Op::WrongAssign;
}

// How `variable` is read or written: through a list of user variables, as a built-in of self
// or of the game, or by the general rules for everything else.
Op AccessOf(const CodeVariable& variable, bool indexed, bool store) {
    if (variable.user != UserList::None) {
        return store ? (indexed ? Op::StoreUserAt : Op::StoreUser)
                     : (indexed ? Op::ReadUserAt : Op::ReadUser);
    }
    const bool self = variable.owner == kOwnerNone || variable.owner == kOwnerSelf;
    if (self && variable.number >= kFirstInstanceVariable) {
        return store ? Op::StoreBuiltIn : Op::ReadBuiltIn;
    }
    if (variable.owner == kOwnerNone && variable.number >= 1) {
        return store ? Op::StoreGame : Op::ReadGame;
    }
    return store ? Op::StoreAny : (indexed ? Op::ReadAnyAt : Op::ReadAny);
}

class Generator {
public:
    explicit Generator(CodeTree& tree)
        : tree_(tree), program_(tree.program), expression_(tree.form == CodeForm::Expression) {
        if (expression_) {
            program_.parents.assign(tree.nodes.size(), -1);
            program_.slotOf.assign(tree.nodes.size(), 0);
        }
    }

    void Generate();

private:
    const CodeNode& Node(std::int32_t node) const {
        return tree_.nodes[static_cast<std::size_t>(node)];
    }

    // Appends an instruction of `node`, failing at `at` when it fails at all.
    std::int32_t Emit(std::int32_t node, Op op, std::int32_t a = 0, std::int32_t b = 0,
                      const CodePoint* at = nullptr);
    std::int32_t Here() const { return static_cast<std::int32_t>(program_.code.size()); }
    Instruction& At(std::int32_t instruction) {
        return program_.code[static_cast<std::size_t>(instruction)];
    }
    std::int32_t Point(const CodePoint& point) {
        program_.points.push_back(point);
        return static_cast<std::int32_t>(program_.points.size() - 1);
    }
    void UseSlot(std::int32_t slot) { program_.slots = std::max(program_.slots, slot + 1); }
    // A node that counts a level of nesting begins here.
    void Enter(std::int32_t node) { program_.entries.push_back({Here(), Node(node).depth, node}); }
    // Jump `jump`, which passes over statement `passed`, goes to `target`; to the error of form
    // instead when the statement holds it.
    void Land(std::int32_t jump, std::int32_t passed, std::int32_t target) {
        program_.passes[static_cast<std::size_t>(jump)] = passed;
        if (Node(passed).skipError >= 0) {
            toError_.push_back(jump);
        } else {
            At(jump).b = target;
        }
    }
    std::int32_t Site(std::int32_t variable) {
        program_.sites.push_back(
            {variable, 0, tree_.variables[static_cast<std::size_t>(variable)].key});
        return static_cast<std::int32_t>(program_.sites.size() - 1);
    }

    void Expression(std::int32_t node, std::int32_t slot, std::int32_t parent);
    void Operand(std::int32_t node, Op op, std::int32_t operand, std::int32_t slot,
                 const CodePoint& after);
    // Reads or writes `variable` (element `index` when that slot is not -1) from or to `slot`.
    void Access(std::int32_t node, bool store, std::int32_t variable, std::int32_t slot,
                std::int32_t index, const CodePoint& at);
    void Call(std::int32_t node, std::int32_t slot);
    void FailAt(std::int32_t node, std::int32_t error) {
        const CodeError& found = tree_.errors[static_cast<std::size_t>(error)];
        Emit(node, Op::Fail, 0, error, &found.point);
    }

    // The instruction that goes on unless the condition `node`, just made, holds.
    std::int32_t Unless(std::int32_t node, std::int32_t slot, Op jump);

    void Statement(std::int32_t node, std::int32_t slot);
    void Assignment(std::int32_t node, std::int32_t slot);
    void If(std::int32_t node, std::int32_t slot);
    void While(std::int32_t node, std::int32_t slot);
    void Repeat(std::int32_t node, std::int32_t slot);
    void Forall(std::int32_t node, std::int32_t slot);

    CodeTree& tree_;
    CodeProgram& program_;
    const bool expression_;
    // Jumps over statements that hold the error of form: they go to it.
    std::vector<std::int32_t> toError_;
};

std::int32_t Generator::Emit(std::int32_t node, Op op, std::int32_t a, std::int32_t b,
                             const CodePoint* at) {
    Instruction instruction;
    instruction.op = op;
    instruction.a = a;
    instruction.b = b;
    instruction.point = at == nullptr ? -1 : Point(*at);
    program_.code.push_back(instruction);
    program_.passes.push_back(-1);
    if (expression_) {
        program_.nodeOf.push_back(node);
    }
    return Here() - 1;
}

// ---------------------------------------------------------------------------------------------
// Expressions: each leaves its value in `slot` and works in the slots above it.

void Generator::Expression(std::int32_t index, std::int32_t slot, std::int32_t parent) {
    UseSlot(slot);
    if (expression_) {
        program_.parents[static_cast<std::size_t>(index)] = parent;
        program_.slotOf[static_cast<std::size_t>(index)] = slot;
    }
    const CodeNode& node = Node(index);
    switch (node.kind) {
    case NodeKind::Value:
        Emit(index, Op::Constant, slot, node.detail);
        return;
    case NodeKind::Variable:
        Enter(index);
        if (node.first >= 0) {
            Expression(node.first, slot, index);
            if (node.error >= 0) {
                return FailAt(index, node.error); // "]" missing
            }
        }
        Access(index, false, node.detail, slot, node.first >= 0 ? slot : -1, node.after);
        return;
    case NodeKind::Call:
        Enter(index);
        Call(index, slot);
        return;
    case NodeKind::Parenthesis:
        Enter(index);
        Expression(node.first, slot, index);
        if (node.error >= 0) {
            FailAt(index, node.error); // ")" missing
        }
        return;
    case NodeKind::Not:
    case NodeKind::UnaryMinus:
        Enter(index);
        Expression(node.first, slot, index);
        Emit(index, node.kind == NodeKind::Not ? Op::Not : Op::Negate, slot);
        return;
    case NodeKind::UnaryPlus:
        Enter(index);
        Expression(node.first, slot, index);
        return;
    case NodeKind::Logical:
    case NodeKind::Additive:
    case NodeKind::Term:
        Expression(node.first, slot, index);
        for (std::int32_t i = 0; i < node.listCount; ++i) {
            const CodeLink& link = tree_.links[static_cast<std::size_t>(node.listStart + i)];
            Operand(index, OperatorOf(link.op), link.operand, slot, link.after);
        }
        return;
    case NodeKind::Comparison:
        Expression(node.first, slot, index);
        Operand(index, OperatorOf(node.op), node.second, slot, node.after);
        return;
    default: // FactorError
        Enter(index);
        FailAt(index, node.error);
        return;
    }
}

// The right operand of an operator and the operator: a constant that is a plain number is
// taken into the operator itself.
void Generator::Operand(std::int32_t node, Op op, std::int32_t operand, std::int32_t slot,
                        const CodePoint& after) {
    const CodeNode& right = Node(operand);
    if (right.kind == NodeKind::Value) {
        const RValue& constant = tree_.constants[static_cast<std::size_t>(right.detail)];
        if (constant.IsReal() && constant.string.empty()) {
            if (expression_) {
                program_.parents[static_cast<std::size_t>(operand)] = node;
                program_.slotOf[static_cast<std::size_t>(operand)] = slot + 1;
            }
            Instruction& made = At(Emit(node, Shifted(op, kConstantForms), slot, 0, &after));
            made.number = constant.real;
            made.user = ComparisonOf(op, true);
            return;
        }
    }
    Expression(operand, slot + 1, node);
    At(Emit(node, op, slot, 0, &after)).user = ComparisonOf(op, false);
}

void Generator::Access(std::int32_t node, bool store, std::int32_t variable, std::int32_t slot,
                       std::int32_t index, const CodePoint& at) {
    const CodeVariable& name = tree_.variables[static_cast<std::size_t>(variable)];
    Instruction& made =
        At(Emit(node, AccessOf(name, index >= 0, store), slot, Site(variable), &at));
    made.user = static_cast<std::uint8_t>(name.user);
    made.c = index;
}

// The arguments go to the slots above the call's, where the function reads them.
void Generator::Call(std::int32_t index, std::int32_t slot) {
    const CodeNode& node = Node(index);
    UseSlot(slot);
    for (std::int32_t i = 0; i < node.listCount; ++i) {
        Expression(tree_.lists[static_cast<std::size_t>(node.listStart + i)], slot + 1 + i, index);
    }
    if (node.error >= 0) {
        FailAt(index, node.error);
        return;
    }
    Instruction& call = At(Emit(index, Op::Call, slot, node.detail, &node.after));
    call.c = node.listCount;
    call.d = node.depth;
}

// ---------------------------------------------------------------------------------------------
// Statements. Each works in the slots from `slot` up.

void Generator::Statement(std::int32_t index, std::int32_t slot) {
    UseSlot(slot);
    const CodeNode& node = Node(index);
    Enter(index);
    switch (node.kind) {
    case NodeKind::Assignment:
        Assignment(index, slot);
        return;
    case NodeKind::Call:
        Call(index, slot);
        return;
    case NodeKind::Block:
        for (std::int32_t i = 0; i < node.listCount; ++i) {
            Statement(tree_.lists[static_cast<std::size_t>(node.listStart + i)], slot);
        }
        return;
    case NodeKind::If:
        If(index, slot);
        return;
    case NodeKind::While:
        While(index, slot);
        return;
    case NodeKind::Repeat:
        Repeat(index, slot);
        return;
    case NodeKind::Exit:
        Emit(index, Op::Exit);
        return;
    case NodeKind::Forall:
        Forall(index, slot);
        return;
    case NodeKind::Empty:
        return;
    default: // StatementError
        FailAt(index, node.error);
        return;
    }
}

// The index first, then the old value (for a compound assignment), then the new one.
void Generator::Assignment(std::int32_t index, std::int32_t slot) {
    const CodeNode& node = Node(index);
    std::int32_t at = -1;
    std::int32_t value = slot;
    if (node.first >= 0) {
        Expression(node.first, slot, index);
        if (node.error >= 0) {
            FailAt(index, node.error); // "]" missing
            return;
        }
        at = slot;
        value = slot + 1;
    }
    if (node.second < 0) {
        return; // the index holds an error of form, where reading stopped
    }
    UseSlot(value + 1);
    if (node.op == kTokAssign) {
        Expression(node.second, value, index);
        Access(index, true, node.detail, value, at, node.after);
        return;
    }
    const CodeVariable& name = tree_.variables[static_cast<std::size_t>(node.detail)];
    const CodeNode& right = Node(node.second);
    if (node.op == kTokAddAssign && at < 0 && name.user != UserList::None &&
        right.kind == NodeKind::Value) {
        const RValue& constant = tree_.constants[static_cast<std::size_t>(right.detail)];
        if (constant.IsReal() && constant.string.empty()) {
            Instruction& add = At(Emit(index, Op::AddUserK, value, Site(node.detail), &node.read));
            Point(node.after); // the next point, where the sum fails
            add.user = static_cast<std::uint8_t>(name.user);
            add.number = constant.real;
            return;
        }
    }
    Access(index, false, node.detail, value, at, node.read);
    Expression(node.second, value + 1, index);
    At(Emit(index, CompoundOf(node.op), value, 0, &node.after)).user = 1;
    Access(index, true, node.detail, value, at, node.after);
}

// A condition that is a comparison jumps by itself: its truth is 1 or 0, which if and while
// both read alike.
std::int32_t Generator::Unless(std::int32_t node, std::int32_t slot, Op jump) {
    Instruction& last = program_.code.back();
    if (Node(node).kind != NodeKind::Comparison || last.op < Op::Less || last.op > Op::GreaterK) {
        return Emit(node, jump, slot);
    }
    last.op = Shifted(last.op, kJumpForms);
    return Here() - 1;
}

void Generator::If(std::int32_t index, std::int32_t slot) {
    const CodeNode& node = Node(index);
    Expression(node.first, slot, index);
    if (node.second < 0) {
        return;
    }
    const std::int32_t skip = Unless(node.first, slot, Op::JumpIfNot);
    Statement(node.second, slot);
    if (node.third < 0) {
        Land(skip, node.second, Here());
        return;
    }
    const std::int32_t over = Emit(index, Op::Jump);
    Land(skip, node.second, Here());
    Statement(node.third, slot);
    Land(over, node.third, Here());
}

void Generator::While(std::int32_t index, std::int32_t slot) {
    const CodeNode& node = Node(index);
    const std::int32_t top = Here();
    Expression(node.first, slot, index);
    if (node.second < 0) {
        return;
    }
    const std::int32_t leave = Unless(node.first, slot, Op::JumpWhileNot);
    Statement(node.second, slot);
    Emit(index, Op::Loop, 0, top, &node.after);
    Land(leave, node.second, Here());
}

// The count stays in its slot while the body runs in the slots above it.
void Generator::Repeat(std::int32_t index, std::int32_t slot) {
    const CodeNode& node = Node(index);
    Expression(node.first, slot, index);
    if (node.second < 0) {
        return;
    }
    const std::int32_t start = Emit(index, Op::RepeatStart, slot);
    const std::int32_t body = Here();
    Statement(node.second, slot + 1);
    Emit(index, Op::RepeatNext, slot, body, &node.after);
    Land(start, node.second, Here());
}

void Generator::Forall(std::int32_t index, std::int32_t slot) {
    const CodeNode& node = Node(index);
    const bool everyInstance = node.op == 1;
    if (!everyInstance) {
        Expression(node.first, slot, index);
    }
    if (node.second < 0) {
        return;
    }
    const std::int32_t loop = Emit(index, Op::Forall, slot);
    At(loop).c = everyInstance ? 1 : 0;
    Statement(node.second, slot);
    Emit(index, Op::EndBody);
    Land(loop, node.second, Here());
}

void Generator::Generate() {
    if (tree_.root >= 0) {
        const CodeNode& root = Node(tree_.root);
        if (expression_) {
            Expression(tree_.root, 0, -1);
        } else if (root.kind == NodeKind::Block) {
            // A block that the text begins with runs without counting as a statement.
            for (std::int32_t i = 0; i < root.listCount; ++i) {
                Statement(tree_.lists[static_cast<std::size_t>(root.listStart + i)], 0);
            }
        } else {
            Statement(tree_.root, 0);
        }
    }
    Emit(-1, Op::Return);
    if (!toError_.empty()) {
        const std::int32_t error = Here();
        FailAt(-1, 0);
        for (const std::int32_t jump : toError_) {
            At(jump).b = error;
        }
    }
    program_.deepestEntry.assign(program_.code.size(), 0);
    for (const NodeEntry& entry : program_.entries) {
        std::int32_t& deepest = program_.deepestEntry[static_cast<std::size_t>(entry.instruction)];
        deepest = std::max(deepest, entry.depth);
    }
}

} // namespace

void GenerateProgram(CodeTree& tree) {
    tree.program = CodeProgram{};
    Generator(tree).Generate();
}

} // namespace velkaro
