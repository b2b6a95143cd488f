#include "script/InterpretUnit.h"

#include "data/TokenClass.h"
#include "script/ErrorReport.h"
#include "script/FunctionUnit.h"
#include "script/VariableAccess.h"
#include "script/VariableNames.h"
#include "world/GameState.h"
#include "world/InstanceClass.h"
#include "world/RuntimeControl.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <optional>
#include <utility>

namespace velkaro {

// The state of one evaluation or one run of code.
struct CInterpreter::Run {
    Run(const CodeTree& code, CInstance& selfInstance, CInstance& otherInstance, GameState& game,
        int depth)
        : tree(code), self(&selfInstance), other(&otherInstance), base(depth),
          mayNestTooDeep(depth + code.deepest > kMaxNesting) {
        users[static_cast<std::size_t>(UserList::Self)] = &selfInstance.locals;
        users[static_cast<std::size_t>(UserList::Other)] = &otherInstance.locals;
        users[static_cast<std::size_t>(UserList::Global)] = &game.globals;
    }

    const CodeTree& tree;
    CInstance* self;
    CInstance* other;
    // Set by the first error and by exit; every routine returns once it sees it.
    bool stopped = false;
    // The nesting in use when the evaluation began (by evaluations it runs inside): a node
    // is nested base + its depth deep.
    int base;
    // Whether any node of the text lies beyond the limit of nesting from there.
    bool mayNestTooDeep;
    // The lists of user variables, by the UserList that names them (null for None).
    std::array<CVariableList*, 4> users{};

    bool TooDeep(const CodeNode& node) const {
        return mayNestTooDeep && base + node.depth > kMaxNesting;
    }

    void SetSelf(CInstance& instance) {
        self = &instance;
        users[static_cast<std::size_t>(UserList::Self)] = &instance.locals;
    }

    // The list of user variables `variable` names; null when it names something else.
    CVariableList* Users(const CodeVariable& variable) const {
        return users[static_cast<std::size_t>(variable.user)];
    }

    const CodeNode& Node(std::int32_t node) const {
        return tree.nodes[static_cast<std::size_t>(node)];
    }
    std::int32_t ListItem(const CodeNode& node, std::int32_t i) const {
        return tree.lists[static_cast<std::size_t>(node.listStart + i)];
    }
};

// The nesting in use while a function runs, for the evaluations it starts.
class CInterpreter::CallDepth {
public:
    CallDepth(int& depth, int during) : depth_(depth), saved_(depth) { depth_ = during; }
    ~CallDepth() { depth_ = saved_; }
    CallDepth(const CallDepth&) = delete;
    CallDepth& operator=(const CallDepth&) = delete;

private:
    int& depth_;
    int saved_;
};

// The argument slots of one call, for as long as the call is being evaluated.
class CInterpreter::ArgumentSlots {
public:
    explicit ArgumentSlots(CInterpreter& interpreter) : interpreter_(interpreter) {
        auto& stack = interpreter_.argumentStack_;
        if (static_cast<std::size_t>(interpreter_.callDepth_) == stack.size()) {
            stack.push_back(std::make_unique<FunctionArguments>());
        }
        arguments_ = stack[static_cast<std::size_t>(interpreter_.callDepth_++)].get();
    }
    ~ArgumentSlots() { --interpreter_.callDepth_; }
    ArgumentSlots(const ArgumentSlots&) = delete;
    ArgumentSlots& operator=(const ArgumentSlots&) = delete;

    FunctionArguments& Arguments() const { return *arguments_; }

private:
    CInterpreter& interpreter_;
    FunctionArguments* arguments_ = nullptr;
};

CInterpreter::CInterpreter(GameState& game, const CFunctionRegistry& functions,
                           GameErrorSink& errors, RuntimeControl& runtime, GameParts& parts)
    : game_(game), functions_(functions), errors_(errors), runtime_(runtime), parts_(parts) {}

// ---------------------------------------------------------------------------------------------
// Entry points

namespace {

// The tree of `code` in `form`. Every argument is compiled in the form its action reads it in;
// a tree read in another form is compiled again here rather than run wrongly.
const CodeTree& InForm(const CodeTree& code, CodeForm form, const CFunctionRegistry& functions,
                       std::optional<CodeTree>& again) {
    if (code.form == form) {
        return code;
    }
    assert(false && "an argument is read in another form than it was compiled in");
    again = CompileText(code.text, code.tokens, form, functions);
    return *again;
}

} // namespace

double CInterpreter::EvaluateReal(CInstance& self, CInstance& other, const CodeTree& code) {
    if (code.text.empty()) {
        return 0.0;
    }
    std::optional<CodeTree> again;
    const CodeTree& tree = InForm(code, CodeForm::Expression, functions_, again);
    // Most arguments are plain numbers: answered without setting up an evaluation.
    const CodeNode& root = tree.nodes[static_cast<std::size_t>(tree.root)];
    if (root.kind == NodeKind::Value) {
        return tree.constants[static_cast<std::size_t>(root.detail)].real;
    }
    Run run(tree, self, other, game_, depth_);
    ClearError();
    const RValue value = Evaluate(run, tree.root);
    ReportError(false);
    return value.real;
}

std::string CInterpreter::EvaluateString(CInstance& self, CInstance& other, const CodeTree& code) {
    if (code.text.empty()) {
        return {};
    }
    std::optional<CodeTree> again;
    const CodeTree& tree = InForm(code, CodeForm::Expression, functions_, again);
    Run run(tree, self, other, game_, depth_);
    ClearError();
    RValue value = Evaluate(run, tree.root);
    ReportError(false);
    return std::move(value.string);
}

void CInterpreter::ExecuteCode(CInstance& self, CInstance& other, const CodeTree& code) {
    if (code.text.empty()) {
        return;
    }
    std::optional<CodeTree> again;
    const CodeTree& tree = InForm(code, CodeForm::Code, functions_, again);
    Run run(tree, self, other, game_, depth_);
    ClearError();
    const CodeNode& root = run.Node(tree.root);
    // A block that the text begins with is run without counting as a statement of its own.
    if (root.kind == NodeKind::Block) {
        Block(run, root);
    } else {
        Execute(run, tree.root);
    }
    ReportError(true);
}

// Errors in game code are not fatal, but for code stopped because the player ends the game: the
// player may go on.
void CInterpreter::ReportError(bool inCode) {
    if (!HasError()) {
        return;
    }
    const ScriptError& error = LastError();
    const std::string where = inCode ? "in code at line " + std::to_string(error.line) + " pos " +
                                           std::to_string(error.position)
                                     : "in expression at pos " + std::to_string(error.position);
    errors_.ReportGameError(where + ": " + error.message, error.fatal);
}

// ---------------------------------------------------------------------------------------------
// Errors

void CInterpreter::ClearError() {
    error_flag_ = false;
    error_ = ScriptError{};
}

void CInterpreter::RecordError(Run& run, const CodePoint& point, const std::string& message) {
    if (run.stopped) {
        return;
    }
    run.stopped = true;
    error_flag_ = true;
    error_ = ScriptError{point.line, point.position, message, false};
}

void CInterpreter::RecordError(Run& run, const CodePoint& point, const char* message) {
    RecordError(run, point, std::string(message));
}

void CInterpreter::RecordError(Run& run, std::int32_t error) {
    const CodeError& found = run.tree.errors[static_cast<std::size_t>(error)];
    RecordError(run, found.point, found.message);
}

bool CInterpreter::LoopGoesOn(Run& run, const CodePoint& point) {
    // Often enough that a close is answered at once, rarely enough to cost nothing.
    constexpr int kPassesBetweenAsks = 4096;
    if (++loopPasses_ < kPassesBetweenAsks) {
        return true;
    }
    return AskToGoOn(run, point);
}

bool CInterpreter::AskToGoOn(Run& run, const CodePoint& point) {
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

namespace {

// Byte order, like the difference of the first differing bytes, or of the lengths.
int CompareBytes(const std::string& left, const std::string& right) {
    const std::size_t common = std::min(left.size(), right.size());
    for (std::size_t i = 0; i < common; ++i) {
        const auto a = static_cast<unsigned char>(left[i]);
        const auto b = static_cast<unsigned char>(right[i]);
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    if (left.size() == right.size()) {
        return 0;
    }
    return left.size() < right.size() ? -1 : 1;
}

bool ComparisonHolds(std::int32_t op, double d) {
    switch (op) {
    case kTokAssign:
    case kTokEqual:
        return d == 0;
    case kTokLess:
        return d < 0;
    case kTokLessEqual:
        return d <= 0;
    case kTokNotEqual:
        return d != 0;
    case kTokGreaterEqual:
        return d >= 0;
    default:
        return d > 0;
    }
}

} // namespace

RValue CInterpreter::Evaluate(Run& run, std::int32_t index) {
    const CodeNode& node = run.Node(index);
    if (node.arithmetic && node.kind != NodeKind::Value) {
        double number = 0;
        if (QuickNumber(run, node, number)) {
            return RValue::Real(number);
        }
    }
    switch (node.kind) {
    case NodeKind::Value:
        return run.tree.constants[static_cast<std::size_t>(node.detail)];
    case NodeKind::Logical:
    case NodeKind::Comparison:
    case NodeKind::Additive:
    case NodeKind::Term:
        return Operator(run, node);
    case NodeKind::Call:
        // Calls nest in calls: straight there, as Factor would go.
        if (run.TooDeep(node)) {
            RecordError(run, node.at, kNestedTooDeeply);
            return RValue();
        }
        return FunctionCall(run, node);
    default:
        return Factor(run, node);
    }
}

namespace {

// A value that is a number and nothing else.
bool PlainNumber(const RValue& value) {
    return value.IsReal() && value.string.empty();
}

} // namespace

// Element `index` of what `name` names, when it is a plain number.
bool CInterpreter::QuickRead(const Run& run, const CodeVariable& name, std::int64_t index,
                             double& number) const {
    if (const CVariableList* users = run.Users(name)) {
        const CVariable* variable = users->Find(name.name, name.key);
        if (variable == nullptr) {
            return false;
        }
        return variable->GetNumber(index, number);
    }
    return QuickReadOther(run, name, index, number);
}

// The same for the variable of a flat step: names held whole in their keys are found by the
// key alone.
bool CInterpreter::QuickRead(const Run& run, const QuickStep& step, std::int64_t index,
                             double& number) const {
    const CVariableList* users = run.users[static_cast<std::size_t>(step.user)];
    if (users == nullptr || !KeyHoldsWholeName(step.key)) {
        return QuickRead(run, run.tree.variables[static_cast<std::size_t>(step.detail)], index,
                         number);
    }
    const CVariable* variable = users->Find(step.key);
    if (variable == nullptr) {
        return false;
    }
    return variable->GetNumber(index, number);
}

// Built-in variables, sounds, object names and objects' instances: read as running reads them,
// which changes nothing.
bool CInterpreter::QuickReadOther(const Run& run, const CodeVariable& name, std::int64_t index,
                                  double& number) const {
    RValue value;
    if (!GetVariable(game_, *run.self, *run.other, name.owner, name.number, name.name, index,
                     value)) {
        return false;
    }
    number = value.real;
    return PlainNumber(value);
}

// Works out an arithmetic node from its flat form (CodeNode::quickStart): the reads and the
// arithmetic evaluating it would do, in the same order. Only where no node can be nested too
// deep, which the flat form does not check.
bool CInterpreter::RunQuick(const Run& run, const CodeNode& node, double& number) const {
    std::array<double, kQuickStackSize + 1> stack;
    double* top = stack.data(); // the numbers are stack[1] up to *top
    const QuickStep* step = &run.tree.quick[static_cast<std::size_t>(node.quickStart)];
    const QuickStep* const end = step + node.quickCount;
    for (; step != end; ++step) {
        switch (step->op) {
        case QuickOp::Number:
            *++top = step->number;
            break;
        case QuickOp::Variable:
            ++top;
            if (!QuickRead(run, *step, 0, *top)) {
                return false;
            }
            break;
        case QuickOp::IndexedVariable:
            if (!QuickRead(run, *step, RoundToInteger(*top), *top)) {
                return false;
            }
            break;
        case QuickOp::Negate:
            *top = -*top;
            break;
        case QuickOp::Not:
            *top = *top > 0.5 ? 0.0 : 1.0;
            break;
        case QuickOp::Add:
            --top;
            top[0] += top[1];
            break;
        case QuickOp::AddNumber:
            *top += step->number;
            break;
        case QuickOp::Subtract:
            --top;
            top[0] -= top[1];
            break;
        case QuickOp::SubtractNumber:
            *top -= step->number;
            break;
        case QuickOp::Multiply:
            --top;
            top[0] *= top[1];
            break;
        case QuickOp::MultiplyNumber:
            *top *= step->number;
            break;
        case QuickOp::Divide:
            --top;
            if (top[1] == 0) {
                return false;
            }
            top[0] /= top[1];
            break;
        case QuickOp::DivideNumber:
            if (step->number == 0) {
                return false;
            }
            *top /= step->number;
            break;
        case QuickOp::And:
            --top;
            top[0] = TruthValue(top[0] > 0.5 && top[1] > 0.5);
            break;
        case QuickOp::AndNumber:
            *top = TruthValue(*top > 0.5 && step->number > 0.5);
            break;
        case QuickOp::Or:
            --top;
            top[0] = TruthValue(top[0] > 0.5 || top[1] > 0.5);
            break;
        case QuickOp::OrNumber:
            *top = TruthValue(*top > 0.5 || step->number > 0.5);
            break;
        case QuickOp::Less:
            --top;
            top[0] = TruthValue(top[0] - top[1] < 0);
            break;
        case QuickOp::LessNumber:
            *top = TruthValue(*top - step->number < 0);
            break;
        case QuickOp::LessEqual:
            --top;
            top[0] = TruthValue(top[0] - top[1] <= 0);
            break;
        case QuickOp::LessEqualNumber:
            *top = TruthValue(*top - step->number <= 0);
            break;
        case QuickOp::Equal:
            --top;
            top[0] = TruthValue(top[0] - top[1] == 0);
            break;
        case QuickOp::EqualNumber:
            *top = TruthValue(*top - step->number == 0);
            break;
        case QuickOp::NotEqual:
            --top;
            top[0] = TruthValue(top[0] - top[1] != 0);
            break;
        case QuickOp::NotEqualNumber:
            *top = TruthValue(*top - step->number != 0);
            break;
        case QuickOp::GreaterEqual:
            --top;
            top[0] = TruthValue(top[0] - top[1] >= 0);
            break;
        case QuickOp::GreaterEqualNumber:
            *top = TruthValue(*top - step->number >= 0);
            break;
        case QuickOp::Greater:
            --top;
            top[0] = TruthValue(top[0] - top[1] > 0);
            break;
        case QuickOp::GreaterNumber:
            *top = TruthValue(*top - step->number > 0);
            break;
        }
    }
    number = stack[1];
    return true;
}

// Works out an arithmetic node (CodeNode::arithmetic) whose operands are all plain numbers,
// without an error: reading and arithmetic only, so that the result is the one evaluating it
// would give. False, with nothing changed, when a string, a variable without a value, a
// division by 0 or the limit of nesting may be met: the node is then evaluated the usual way.
// Constants and plain variables, the commonest operands, are read directly; anything larger
// from its flat run.
inline bool CInterpreter::QuickNumber(const Run& run, const CodeNode& node, double& number) const {
    switch (node.kind) {
    case NodeKind::Value: {
        const RValue& value = run.tree.constants[static_cast<std::size_t>(node.detail)];
        number = value.real;
        return PlainNumber(value);
    }
    case NodeKind::Variable:
        if (node.first < 0) {
            return !run.TooDeep(node) &&
                   QuickRead(run, run.tree.variables[static_cast<std::size_t>(node.detail)], 0,
                             number);
        }
        break;
    default:
        break;
    }
    return node.quickCount > 0 && !run.mayNestTooDeep && RunQuick(run, node, number);
}

// The operators evaluate the left operand, then the right, then apply themselves, from the
// left. An error in an operand, or of an operation, leaves the value at the left operand's.
RValue CInterpreter::Operator(Run& run, const CodeNode& node) {
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
        const double d =
            left.IsString() ? CompareBytes(left.string, right.string) : left.real - right.real;
        return RValue::Real(TruthValue(ComparisonHolds(node.op, d)));
    }
    for (std::int32_t i = 0; i < node.listCount; ++i) {
        const CodeLink& link = run.tree.links[static_cast<std::size_t>(node.listStart + i)];
        const RValue right = Evaluate(run, link.operand);
        if (run.stopped) {
            return left;
        }
        if (!Apply(run, node.kind, link, left, right)) {
            return left;
        }
    }
    return left;
}

// Applies a link of a chain to the value so far; false, with the error recorded, when the
// operands do not suit it.
bool CInterpreter::Apply(Run& run, NodeKind kind, const CodeLink& link, RValue& left,
                         const RValue& right) {
    switch (kind) {
    case NodeKind::Logical: {
        if (!left.IsReal() || !right.IsReal()) {
            RecordError(run, link.after, "Wrong type of arguments for logical operator.");
            return false;
        }
        // Both sides are always evaluated: there is no short cut.
        const bool truth =
            link.op == kTokAnd ? left.IsTrue() && right.IsTrue() : left.IsTrue() || right.IsTrue();
        left = RValue::Real(TruthValue(truth));
        return true;
    }
    case NodeKind::Additive:
        if (left.IsReal() && right.IsReal()) {
            left.real = link.op == kTokPlus ? left.real + right.real : left.real - right.real;
        } else if (link.op == kTokPlus && left.IsString() && right.IsString()) {
            if (!JoinedFits(left.string.size(), right.string.size())) {
                RecordError(run, link.after, "Result of + is too long.");
                return false;
            }
            left.string += right.string;
        } else {
            RecordError(run, link.after, "Wrong type of arguments.");
            return false;
        }
        return true;
    default: // Term
        if (!left.IsReal() || !right.IsReal()) {
            RecordError(run, link.after, "Wrong type of arguments.");
            return false;
        }
        if (link.op == kTokTimes) {
            left.real *= right.real;
        } else if (right.real == 0) {
            RecordError(run, link.after, "Division by 0.");
            return false;
        } else {
            left.real /= right.real;
        }
        return true;
    }
}

RValue CInterpreter::Factor(Run& run, const CodeNode& node) {
    // Every nesting of expressions but a plain value passes through here.
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
        // Only the real part changes: not 'x' is still a string.
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

// Reads what a variable names. Most names in game code are user variables of self: those are
// read here directly, as GetVariable would read them; every other name goes through
// GetVariable.
bool CInterpreter::ReadVariable(const Run& run, const CodeVariable& variable, std::int64_t index,
                                RValue& value) {
    if (const CVariableList* users = run.Users(variable)) {
        const CVariable* found = users->Find(variable.name, variable.key);
        if (found == nullptr) {
            return false;
        }
        value = found->Get(index);
        return true;
    }
    return GetVariable(game_, *run.self, *run.other, variable.owner, variable.number, variable.name,
                       index, value);
}

RValue CInterpreter::VariableValue(Run& run, const CodeNode& node) {
    std::int64_t index = 0;
    if (node.first >= 0) {
        index = RoundToInteger(Evaluate(run, node.first).real);
        if (run.stopped) {
            return RValue();
        }
        if (node.error >= 0) {
            RecordError(run, node.error); // "]" missing
            return RValue();
        }
    }
    const CodeVariable& variable = run.tree.variables[static_cast<std::size_t>(node.detail)];
    RValue value;
    if (!run.stopped && !ReadVariable(run, variable, index, value)) {
        RecordError(run, node.after, "Cannot get value from variable " + variable.name + ".");
    }
    return value;
}

RValue CInterpreter::FunctionCall(Run& run, const CodeNode& node) {
    RValue result;
    CallInto(run, node, result);
    return result;
}

// Calls the function of `node` with its arguments and leaves its result in `result`, which
// holds the real 0 when the code stops before or in the call.
void CInterpreter::CallInto(Run& run, const CodeNode& node, RValue& result) {
    // Each depth of nested calls has its argument slots, kept from call to call: setting up
    // ten fresh values for every call costs more than many a function itself.
    const ArgumentSlots slots(*this);
    FunctionArguments& arguments = slots.Arguments();
    for (std::int32_t i = 0; i < node.listCount; ++i) {
        RValue& slot = arguments[static_cast<std::size_t>(i)];
        const std::int32_t argument = run.ListItem(node, i);
        const CodeNode& argumentNode = run.Node(argument);
        double number = 0;
        if (argumentNode.arithmetic && QuickNumber(run, argumentNode, number)) {
            slot.kind = kRealValue;
            slot.real = number;
            slot.string.clear();
            continue;
        }
        if (argumentNode.kind == NodeKind::Call && !run.TooDeep(argumentNode)) {
            // A call in a call gives its result straight into the slot.
            CallInto(run, argumentNode, slot);
        } else {
            slot = Evaluate(run, argument);
        }
        if (run.stopped) {
            result = RValue();
            return;
        }
    }
    if (node.error >= 0) {
        RecordError(run, node.error);
        result = RValue();
        return;
    }
    FunctionContext context(game_, parts_);
    {
        // Code that the function runs is nested inside the call.
        const CallDepth depth(depth_, run.base + node.depth);
        if (!functions_.CallFunction(node.detail, context, *run.self, *run.other, node.listCount,
                                     arguments, result)) {
            result = RValue();
        }
    }
    // A function that fails is an error of the code that called it.
    if (context.Failed()) {
        RecordError(run, node.after, context.error);
    }
}

// ---------------------------------------------------------------------------------------------
// Statements

void CInterpreter::Execute(Run& run, std::int32_t index) {
    if (run.stopped) {
        return;
    }
    const CodeNode& node = run.Node(index);
    // Every nesting of statements passes through here.
    if (run.TooDeep(node)) {
        RecordError(run, node.at, kNestedTooDeeply);
        return;
    }
    switch (node.kind) {
    case NodeKind::Assignment:
        Assignment(run, node);
        return;
    case NodeKind::Call:
        FunctionCall(run, node);
        return;
    case NodeKind::Block:
        Block(run, node);
        return;
    case NodeKind::If:
        IfStatement(run, node);
        return;
    case NodeKind::While:
        WhileStatement(run, node);
        return;
    case NodeKind::Repeat:
        RepeatStatement(run, node);
        return;
    case NodeKind::Exit:
        run.stopped = true; // ends the code without an error
        return;
    case NodeKind::Forall:
        ForallStatement(run, node);
        return;
    case NodeKind::Empty:
        return;
    default: // StatementError
        RecordError(run, node.error);
        return;
    }
}

// Passing over a statement runs nothing but still meets the errors the text holds in it, and
// the limit of nesting.
void CInterpreter::Pass(Run& run, std::int32_t index) {
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

void CInterpreter::Block(Run& run, const CodeNode& node) {
    for (std::int32_t i = 0; i < node.listCount; ++i) {
        Execute(run, run.ListItem(node, i));
        if (run.stopped) {
            return;
        }
    }
}

// An arithmetic assignment (CodeNode::arithmetic) whose old value, when it is read, and whose
// new value are plain numbers, done without building values. False, with nothing changed,
// when it must be run the usual way.
bool CInterpreter::QuickAssignment(Run& run, const CodeNode& node) {
    std::int64_t index = 0;
    if (node.first >= 0) {
        double at = 0;
        if (!QuickNumber(run, run.Node(node.first), at)) {
            return false;
        }
        index = RoundToInteger(at);
    }
    const CodeVariable& variable = run.tree.variables[static_cast<std::size_t>(node.detail)];
    CVariableList& users = *run.Users(variable);
    CVariable* const target = users.FindMutable(variable.name, variable.key);
    double value = 0;
    if (node.op != kTokAssign) {
        if (target == nullptr || !target->GetNumber(index, value)) {
            return false;
        }
    }
    double right = 0;
    if (!QuickNumber(run, run.Node(node.second), right)) {
        return false;
    }
    switch (node.op) {
    case kTokAssign:
        value = right;
        break;
    case kTokAddAssign:
        value += right;
        break;
    case kTokSubtractAssign:
        value -= right;
        break;
    case kTokMultiplyAssign:
        value *= right;
        break;
    case kTokDivideAssign:
        if (right == 0) {
            return false;
        }
        value /= right;
        break;
    default:
        return false;
    }
    if (target != nullptr) {
        target->SetNumber(index, value);
    } else {
        users.SetValue(variable.name, variable.key, RValue::Real(value), index);
    }
    return true;
}

void CInterpreter::Assignment(Run& run, const CodeNode& node) {
    if (node.arithmetic && QuickAssignment(run, node)) {
        return;
    }
    AnyAssignment(run, node);
}

void CInterpreter::AnyAssignment(Run& run, const CodeNode& node) {
    std::int64_t index = 0;
    if (node.first >= 0) {
        index = RoundToInteger(Evaluate(run, node.first).real);
        if (run.stopped) {
            return;
        }
        if (node.error >= 0) {
            RecordError(run, node.error); // "]" missing
            return;
        }
    }
    const CodeVariable& variable = run.tree.variables[static_cast<std::size_t>(node.detail)];
    const std::int32_t op = node.op;
    RValue value;
    if (op != kTokAssign && !run.stopped && !ReadVariable(run, variable, index, value)) {
        RecordError(run, node.read, "Cannot get value from variable " + variable.name + ".");
    }
    if (run.stopped) {
        return;
    }
    RValue right = Evaluate(run, node.second);
    if (run.stopped) {
        return;
    }
    const bool reals = value.IsReal() && right.IsReal();
    switch (op) {
    case kTokAssign:
        value = std::move(right);
        break;
    case kTokAddAssign:
        if (reals) {
            value.real += right.real;
        } else if (value.IsString() && right.IsString()) {
            if (!JoinedFits(value.string.size(), right.string.size())) {
                RecordError(run, node.after, "Result of += is too long.");
                return;
            }
            value.string += right.string;
        } else {
            RecordError(run, node.after, "Wrong type of arguments.");
            return;
        }
        break;
    case kTokSubtractAssign:
    case kTokMultiplyAssign:
    case kTokDivideAssign:
        if (!reals) {
            RecordError(run, node.after, "Wrong type of arguments.");
            return;
        }
        if (op == kTokSubtractAssign) {
            value.real -= right.real;
        } else if (op == kTokMultiplyAssign) {
            value.real *= right.real;
        } else if (right.real == 0) {
            RecordError(run, node.after, "Division by 0.");
            return;
        } else {
            value.real /= right.real;
        }
        break;
    default:
        RecordError(run, node.after, "Unexpected symbol.");
        return;
    }
    if (CVariableList* users = run.Users(variable)) {
        // User variables, the commonest target (see ReadVariable).
        users->SetValue(variable.name, variable.key, std::move(value), index);
    } else if (!SetVariable(game_, runtime_, *run.self, *run.other, variable.owner, variable.number,
                            variable.name, index, value)) {
        RecordError(run, node.after, "Cannot assign a value to variable " + variable.name + ".");
    }
}

// The real part of a condition or count: arithmetic ones without building a value.
double CInterpreter::Number(Run& run, std::int32_t index) {
    const CodeNode& node = run.Node(index);
    double number = 0;
    if (node.arithmetic && QuickNumber(run, node, number)) {
        return number;
    }
    return Evaluate(run, index).real;
}

void CInterpreter::IfStatement(Run& run, const CodeNode& node) {
    const double condition = Number(run, node.first);
    if (run.stopped) {
        return;
    }
    const bool truth = condition > 0.5; // as RValue::IsTrue
    if (truth) {
        Execute(run, node.second);
    } else {
        Pass(run, node.second);
    }
    if (run.stopped || node.third < 0) {
        return;
    }
    if (truth) {
        Pass(run, node.third);
    } else {
        Execute(run, node.third);
    }
}

void CInterpreter::WhileStatement(Run& run, const CodeNode& node) {
    while (true) {
        const double condition = Number(run, node.first);
        if (run.stopped) {
            return;
        }
        if (!RoundsAboveZero(condition)) {
            Pass(run, node.second);
            return;
        }
        Execute(run, node.second);
        if (run.stopped || !LoopGoesOn(run, node.after)) {
            return;
        }
    }
}

void CInterpreter::RepeatStatement(Run& run, const CodeNode& node) {
    const double countValue = Number(run, node.first);
    if (run.stopped) {
        return;
    }
    const std::int64_t count = RoundToInteger(countValue);
    if (count <= 0) {
        Pass(run, node.second);
        return;
    }
    for (std::int64_t pass = 0; pass < count; ++pass) {
        Execute(run, node.second);
        if (run.stopped || !LoopGoesOn(run, node.after)) {
            return;
        }
    }
}

void CInterpreter::ForallStatement(Run& run, const CodeNode& node) {
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
        if (!everyInstance && instance.object != object) {
            return true;
        }
        run.SetSelf(instance);
        Execute(run, node.second);
        return !run.stopped;
    });
    if (!finished) {
        return; // the code is over: self need not come back
    }
    // Passed over once more, as reading on behind the body would.
    Pass(run, node.second);
    run.SetSelf(*savedSelf);
}

} // namespace velkaro
