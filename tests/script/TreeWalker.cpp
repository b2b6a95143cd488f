#include "script/TreeWalker.h"

#include "data/TokenClass.h"
#include "script/CodeParser.h"
#include "script/ErrorReport.h"
#include "script/InterpretUnit.h"
#include "script/VariableAccess.h"
#include "world/GameState.h"
#include "world/InstanceClass.h"
#include "world/RuntimeControl.h"

#include <optional>
#include <vector>

namespace velkaro::test {

struct TreeWalker::Run {
    const CodeTree& tree;
    CInstance* self;
    CInstance* other;
    int base;
    bool stopped = false;

    const CodeNode& Node(std::int32_t node) const {
        return tree.nodes[static_cast<std::size_t>(node)];
    }
    std::int32_t Item(const CodeNode& node, std::int32_t i) const {
        return tree.lists[static_cast<std::size_t>(node.listStart + i)];
    }
    bool TooDeep(const CodeNode& node) const { return base + node.depth > kMaxNesting; }
};

TreeWalker::TreeWalker(GameState& game, const CFunctionRegistry& functions, GameErrorSink& errors,
                       RuntimeControl& runtime, GameParts& parts)
    : game_(game), functions_(functions), errors_(errors), runtime_(runtime), parts_(parts) {}

RValue TreeWalker::Evaluate(CInstance& self, CInstance& other, const CodeTree& code, int base) {
    if (code.text.empty()) {
        return RValue();
    }
    Run run{code, &self, &other, base};
    failed_ = false;
    RValue value = Evaluate(run, code.root);
    Report(false);
    return value;
}

void TreeWalker::ExecuteCode(CInstance& self, CInstance& other, const CodeTree& code, int base) {
    if (code.text.empty()) {
        return;
    }
    Run run{code, &self, &other, base};
    failed_ = false;
    const CodeNode& root = run.Node(code.root);
    if (root.kind == NodeKind::Block) {
        Block(run, root);
    } else {
        Execute(run, code.root);
    }
    Report(true);
}

void TreeWalker::Report(bool inCode) {
    if (!failed_) {
        return;
    }
    const std::string where = inCode ? "in code at line " + std::to_string(error_.line) + " pos " +
                                           std::to_string(error_.position)
                                     : "in expression at pos " + std::to_string(error_.position);
    errors_.ReportGameError(where + ": " + error_.message, error_.fatal);
}

void TreeWalker::RecordError(Run& run, const CodePoint& point, const std::string& message) {
    if (run.stopped) {
        return;
    }
    run.stopped = true;
    failed_ = true;
    error_ = ScriptError{point.line, point.position, message, false};
}

void TreeWalker::RecordError(Run& run, std::int32_t error) {
    const CodeError& found = run.tree.errors[static_cast<std::size_t>(error)];
    RecordError(run, found.point, found.message);
}

bool TreeWalker::LoopGoesOn(Run& run, const CodePoint& point) {
    if (++loopPasses_ < 4096) {
        return true;
    }
    loopPasses_ = 0;
    if (!runtime_.StopAsked()) {
        return true;
    }
    RecordError(run, point, kStoppedInLoop);
    error_.fatal = true;
    return false;
}

// ---------------------------------------------------------------------------------------------
// Expressions

RValue TreeWalker::Evaluate(Run& run, std::int32_t index) {
    const CodeNode& node = run.Node(index);
    switch (node.kind) {
    case NodeKind::Value:
        return run.tree.constants[static_cast<std::size_t>(node.detail)];
    case NodeKind::Logical:
    case NodeKind::Comparison:
    case NodeKind::Additive:
    case NodeKind::Term:
        return Operator(run, node);
    default:
        return Factor(run, node);
    }
}

// Operands from the left; an error leaves the value at the left operand's.
RValue TreeWalker::Operator(Run& run, const CodeNode& node) {
    RValue left = Evaluate(run, node.first);
    if (run.stopped) {
        return left;
    }
    if (node.kind == NodeKind::Comparison) {
        const RValue right = Evaluate(run, node.second);
        if (run.stopped) {
            return left;
        }
        if (left.kind != right.kind) {
            RecordError(run, node.after, "Cannot compare arguments.");
            return left;
        }
        // Strings compare by their bytes as unsigned numbers (as std::string does).
        const double d =
            left.IsString() ? left.string.compare(right.string) : left.real - right.real;
        bool holds = d > 0;
        switch (node.op) {
        case kTokAssign:
        case kTokEqual:
            holds = d == 0;
            break;
        case kTokLess:
            holds = d < 0;
            break;
        case kTokLessEqual:
            holds = d <= 0;
            break;
        case kTokNotEqual:
            holds = d != 0;
            break;
        case kTokGreaterEqual:
            holds = d >= 0;
            break;
        default:
            break;
        }
        return RValue::Real(TruthValue(holds));
    }
    for (std::int32_t i = 0; i < node.listCount; ++i) {
        const CodeLink& link = run.tree.links[static_cast<std::size_t>(node.listStart + i)];
        const RValue right = Evaluate(run, link.operand);
        if (run.stopped || !Apply(run, node.kind, link, left, right)) {
            return left;
        }
    }
    return left;
}

bool TreeWalker::Apply(Run& run, NodeKind kind, const CodeLink& link, RValue& left,
                       const RValue& right) {
    const auto fail = [&](const char* message) {
        RecordError(run, link.after, message);
        return false;
    };
    switch (kind) {
    case NodeKind::Logical:
        if (!left.IsReal() || !right.IsReal()) {
            return fail("Wrong type of arguments for logical operator.");
        }
        left = RValue::Real(TruthValue(link.op == kTokAnd ? left.IsTrue() && right.IsTrue()
                                                          : left.IsTrue() || right.IsTrue()));
        return true;
    case NodeKind::Additive:
        if (left.IsReal() && right.IsReal()) {
            left.real = link.op == kTokPlus ? left.real + right.real : left.real - right.real;
        } else if (link.op == kTokPlus && left.IsString() && right.IsString()) {
            if (!JoinedFits(left.string.size(), right.string.size())) {
                return fail("Result of + is too long.");
            }
            left.string += right.string;
        } else {
            return fail("Wrong type of arguments.");
        }
        return true;
    default: // Term
        if (!left.IsReal() || !right.IsReal()) {
            return fail("Wrong type of arguments.");
        }
        if (link.op == kTokTimes) {
            left.real *= right.real;
        } else if (right.real == 0) {
            return fail("Division by 0.");
        } else {
            left.real /= right.real;
        }
        return true;
    }
}

RValue TreeWalker::Factor(Run& run, const CodeNode& node) {
    if (run.TooDeep(node)) {
        RecordError(run, node.at, kNestedTooDeeply);
        return RValue();
    }
    switch (node.kind) {
    case NodeKind::Variable:
        return VariableValue(run, node);
    case NodeKind::Call:
        return FunctionCall(run, node);
    case NodeKind::Parenthesis: {
        RValue value = Evaluate(run, node.first);
        if (!run.stopped && node.error >= 0) {
            RecordError(run, node.error);
        }
        return value;
    }
    case NodeKind::Not: {
        RValue value = Evaluate(run, node.first);
        value.real = value.IsTrue() ? 0.0 : 1.0;
        return value;
    }
    case NodeKind::UnaryPlus:
        return Evaluate(run, node.first);
    case NodeKind::UnaryMinus: {
        RValue value = Evaluate(run, node.first);
        value.real = -value.real;
        return value;
    }
    default: // FactorError
        RecordError(run, node.error);
        return RValue();
    }
}

bool TreeWalker::ReadVariable(const Run& run, const CodeVariable& variable, std::int64_t index,
                              RValue& value) {
    return GetVariable(game_, *run.self, *run.other, variable.owner, variable.number, variable.name,
                       index, value);
}

RValue TreeWalker::VariableValue(Run& run, const CodeNode& node) {
    std::int64_t index = 0;
    if (node.first >= 0) {
        index = RoundToInteger(Evaluate(run, node.first).real);
        if (run.stopped) {
            return RValue();
        }
        if (node.error >= 0) {
            RecordError(run, node.error);
            return RValue();
        }
    }
    const CodeVariable& variable = run.tree.variables[static_cast<std::size_t>(node.detail)];
    RValue value;
    if (!ReadVariable(run, variable, index, value)) {
        RecordError(run, node.after, "Cannot get value from variable " + variable.name + ".");
        return RValue();
    }
    return value;
}

RValue TreeWalker::FunctionCall(Run& run, const CodeNode& node) {
    std::vector<RValue> arguments;
    for (std::int32_t i = 0; i < node.listCount; ++i) {
        arguments.push_back(Evaluate(run, run.Item(node, i)));
        if (run.stopped) {
            return RValue();
        }
    }
    if (node.error >= 0) {
        RecordError(run, node.error);
        return RValue();
    }
    FunctionContext context(game_, parts_);
    RValue result;
    if (!functions_.CallFunction(node.detail, context, *run.self, *run.other, node.listCount,
                                 arguments, result)) {
        result = RValue();
    }
    if (context.Failed()) {
        RecordError(run, node.after, context.error);
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// Statements

void TreeWalker::Execute(Run& run, std::int32_t index) {
    if (run.stopped) {
        return;
    }
    const CodeNode& node = run.Node(index);
    if (run.TooDeep(node)) {
        RecordError(run, node.at, kNestedTooDeeply);
        return;
    }
    switch (node.kind) {
    case NodeKind::Assignment:
        return Assignment(run, node);
    case NodeKind::Call:
        FunctionCall(run, node);
        return;
    case NodeKind::Block:
        return Block(run, node);
    case NodeKind::If:
        return IfStatement(run, node);
    case NodeKind::While:
        return WhileStatement(run, node);
    case NodeKind::Repeat:
        return RepeatStatement(run, node);
    case NodeKind::Exit:
        run.stopped = true;
        return;
    case NodeKind::Forall:
        return ForallStatement(run, node);
    case NodeKind::Empty:
        return;
    default: // StatementError
        RecordError(run, node.error);
        return;
    }
}

// A statement passed over still meets the errors of form in it, and the limit of nesting.
void TreeWalker::Pass(Run& run, std::int32_t index) {
    if (run.stopped) {
        return;
    }
    const CodeNode& node = run.Node(index);
    const int before = run.base + node.depth - 1;
    if (before + node.skipDepth <= kMaxNesting) {
        if (node.skipError >= 0) {
            RecordError(run, node.skipError);
        }
        return;
    }
    if (const std::optional<ScriptError> error = SkipError(run.tree, node, before, functions_)) {
        RecordError(run, CodePoint{error->line, error->position}, error->message);
    }
}

void TreeWalker::Block(Run& run, const CodeNode& node) {
    for (std::int32_t i = 0; i < node.listCount && !run.stopped; ++i) {
        Execute(run, run.Item(node, i));
    }
}

void TreeWalker::Assignment(Run& run, const CodeNode& node) {
    std::int64_t index = 0;
    if (node.first >= 0) {
        index = RoundToInteger(Evaluate(run, node.first).real);
        if (run.stopped) {
            return;
        }
        if (node.error >= 0) {
            return RecordError(run, node.error);
        }
    }
    const CodeVariable& variable = run.tree.variables[static_cast<std::size_t>(node.detail)];
    RValue value;
    if (node.op != kTokAssign && !ReadVariable(run, variable, index, value)) {
        return RecordError(run, node.read, "Cannot get value from variable " + variable.name + ".");
    }
    RValue right = Evaluate(run, node.second);
    if (run.stopped) {
        return;
    }
    const bool reals = value.IsReal() && right.IsReal();
    switch (node.op) {
    case kTokAssign:
        value = std::move(right);
        break;
    case kTokAddAssign:
        if (reals) {
            value.real += right.real;
        } else if (value.IsString() && right.IsString()) {
            if (!JoinedFits(value.string.size(), right.string.size())) {
                return RecordError(run, node.after, "Result of += is too long.");
            }
            value.string += right.string;
        } else {
            return RecordError(run, node.after, "Wrong type of arguments.");
        }
        break;
    case kTokSubtractAssign:
    case kTokMultiplyAssign:
    case kTokDivideAssign:
        if (!reals) {
            return RecordError(run, node.after, "Wrong type of arguments.");
        }
        if (node.op == kTokSubtractAssign) {
            value.real -= right.real;
        } else if (node.op == kTokMultiplyAssign) {
            value.real *= right.real;
        } else if (right.real == 0) {
            return RecordError(run, node.after, "Division by 0.");
        } else {
            value.real /= right.real;
        }
        break;
    default:
        return RecordError(run, node.after, "Unexpected symbol.");
    }
    if (!SetVariable(game_, runtime_, *run.self, *run.other, variable.owner, variable.number,
                     variable.name, index, value)) {
        RecordError(run, node.after, "Cannot assign a value to variable " + variable.name + ".");
    }
}

void TreeWalker::IfStatement(Run& run, const CodeNode& node) {
    const bool truth = Evaluate(run, node.first).IsTrue();
    if (run.stopped) {
        return;
    }
    truth ? Execute(run, node.second) : Pass(run, node.second);
    if (run.stopped || node.third < 0) {
        return;
    }
    truth ? Pass(run, node.third) : Execute(run, node.third);
}

void TreeWalker::WhileStatement(Run& run, const CodeNode& node) {
    while (true) {
        const double condition = Evaluate(run, node.first).real;
        if (run.stopped) {
            return;
        }
        if (!RoundsAboveZero(condition)) {
            return Pass(run, node.second);
        }
        Execute(run, node.second);
        if (run.stopped || !LoopGoesOn(run, node.after)) {
            return;
        }
    }
}

void TreeWalker::RepeatStatement(Run& run, const CodeNode& node) {
    const std::int64_t count = RoundToInteger(Evaluate(run, node.first).real);
    if (run.stopped) {
        return;
    }
    if (count <= 0) {
        return Pass(run, node.second);
    }
    for (std::int64_t pass = 0; pass < count; ++pass) {
        Execute(run, node.second);
        if (run.stopped || !LoopGoesOn(run, node.after)) {
            return;
        }
    }
}

void TreeWalker::ForallStatement(Run& run, const CodeNode& node) {
    const bool everyInstance = node.op == 1;
    std::int32_t object = 0;
    if (!everyInstance) {
        object = RoundToInt32(Evaluate(run, node.first).real);
        if (run.stopped) {
            return;
        }
    }
    CInstance* const savedSelf = run.self;
    const bool finished = game_.instances.ForEachLive([&](CInstance& instance) {
        if (everyInstance || instance.object == object) {
            run.self = &instance;
            Execute(run, node.second);
        }
        return !run.stopped;
    });
    if (finished) {
        Pass(run, node.second);
        run.self = savedSelf;
    }
}

} // namespace velkaro::test
