#include "script/InterpretUnit.h"

#include "script/ErrorReport.h"
#include "script/FunctionUnit.h"
#include "script/VariableAccess.h"
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
        RValue* frameSlots, int depth)
        : tree(code), program(code.program), self(&selfInstance), other(&otherInstance),
          slots(frameSlots), base(depth) {
        users[static_cast<std::size_t>(UserList::Self)] = &selfInstance.locals;
        users[static_cast<std::size_t>(UserList::Other)] = &otherInstance.locals;
        users[static_cast<std::size_t>(UserList::Global)] = &game.globals;
    }

    const CodeTree& tree;
    const CodeProgram& program;
    CInstance* self;
    CInstance* other;
    RValue* slots;
    // Set by the first error and by exit; the run ends when it is set.
    bool stopped = false;
    // The nesting in use when the evaluation began (by evaluations it runs inside): a node
    // is nested base + its depth deep.
    int base;
    // Where an error stopped an evaluation: the node, and whether it was nested too deeply
    // there (which gives no value) rather than failed itself.
    std::int32_t failedNode = -1;
    bool tooDeep = false;
    // The lists of user variables, by the UserList that names them (null for None).
    std::array<CVariableList*, 4> users{};

    void SetSelf(CInstance& instance) {
        self = &instance;
        users[static_cast<std::size_t>(UserList::Self)] = &instance.locals;
    }

    const CodeVariable& Variable(const Instruction& instruction) const {
        const VariableSite& site = program.sites[static_cast<std::size_t>(instruction.b)];
        return tree.variables[static_cast<std::size_t>(site.variable)];
    }
    // The user variable an instruction names, through its site's remembered position and
    // created when `add` asks for it; null when there is none.
    [[gnu::always_inline]] CVariable* FindUser(const Instruction& instruction,
                                               bool add = false) const {
        const VariableSite& site = program.sites[static_cast<std::size_t>(instruction.b)];
        if (CVariable* found = users[instruction.user]->AtPosition(site.position, site.key)) {
            return found;
        }
        return SearchUser(instruction, add);
    }
    [[gnu::noinline]] CVariable* SearchUser(const Instruction& instruction, bool add) const {
        const VariableSite& site = program.sites[static_cast<std::size_t>(instruction.b)];
        const CodeVariable& name = tree.variables[static_cast<std::size_t>(site.variable)];
        CVariableList& list = *users[instruction.user];
        return add ? &list.FindOrAddFrom(site.position, name.name, name.key)
                   : list.FindFrom(site.position, name.name, name.key);
    }
    std::int64_t Index(const Instruction& instruction) const {
        return RoundToInteger(slots[instruction.c].real);
    }
};

// The slots of one run, from the frame kept for runs nested that deep.
class CInterpreter::Frame {
public:
    Frame(CInterpreter& interpreter, std::int32_t size) : interpreter_(interpreter) {
        auto& frames = interpreter_.frames_;
        const auto level = static_cast<std::size_t>(interpreter_.runs_++);
        if (level == frames.size()) {
            frames.emplace_back();
        }
        if (frames[level].size() < static_cast<std::size_t>(size)) {
            frames[level].resize(static_cast<std::size_t>(size));
        }
        slots_ = frames[level].data();
    }
    ~Frame() { --interpreter_.runs_; }
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;

    RValue* Slots() const { return slots_; }

private:
    CInterpreter& interpreter_;
    RValue* slots_ = nullptr;
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
    // Most arguments are plain numbers: answered without setting up an evaluation.
    if (code.form == CodeForm::Expression && code.program.code.size() == 2 &&
        code.program.code[0].op == Op::Constant) {
        return code.constants[static_cast<std::size_t>(code.program.code[0].b)].real;
    }
    std::optional<CodeTree> again;
    RValue value;
    Start(InForm(code, CodeForm::Expression, functions_, again), self, other, &value);
    return value.real;
}

std::string CInterpreter::EvaluateString(CInstance& self, CInstance& other, const CodeTree& code) {
    RValue value;
    if (!code.text.empty()) {
        std::optional<CodeTree> again;
        Start(InForm(code, CodeForm::Expression, functions_, again), self, other, &value);
    }
    return std::move(value.string);
}

void CInterpreter::ExecuteCode(CInstance& self, CInstance& other, const CodeTree& code) {
    if (!code.text.empty()) {
        std::optional<CodeTree> again;
        Start(InForm(code, CodeForm::Code, functions_, again), self, other, nullptr);
    }
}

void CInterpreter::Start(const CodeTree& tree, CInstance& self, CInstance& other, RValue* value) {
    const Frame frame(*this, tree.program.slots);
    Run run(tree, self, other, game_, frame.Slots(), depth_);
    error_flag_ = false;
    error_ = ScriptError{};
    if (depth_ + tree.deepest > kMaxNesting) {
        Execute<true>(run, 0);
    } else {
        Execute<false>(run, 0);
    }
    if (value != nullptr) {
        *value = run.stopped ? ValueAtError(run) : std::move(run.slots[0]);
    }
    ReportError(value == nullptr);
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

void CInterpreter::Record(Run& run, const CodePoint& point, const std::string& message) {
    if (run.stopped) {
        return;
    }
    run.stopped = true;
    error_flag_ = true;
    error_ = ScriptError{point.line, point.position, message, false};
}

void CInterpreter::Fail(Run& run, std::int32_t instruction, const std::string& message) {
    const Instruction& failed = run.program.code[static_cast<std::size_t>(instruction)];
    Record(run, run.program.points[static_cast<std::size_t>(failed.point)], message);
    if (!run.program.nodeOf.empty()) {
        run.failedNode = run.program.nodeOf[static_cast<std::size_t>(instruction)];
    }
}

bool CInterpreter::AskToGoOn(Run& run, std::int32_t instruction) {
    loopPasses_ = 0;
    if (!runtime_.StopAsked()) {
        return true;
    }
    Fail(run, instruction, kStoppedInLoop);
    error_.fatal = true;
    return false;
}

// Nodes beyond the limit of nesting fail where they begin, before anything of theirs runs: the
// first of them to begin at `instruction`, in the order of the text.
bool CInterpreter::EnterNodes(Run& run, std::int32_t instruction) {
    const CodeProgram& program = run.program;
    const auto first = std::lower_bound(
        program.entries.begin(), program.entries.end(), instruction,
        [](const NodeEntry& entry, std::int32_t at) { return entry.instruction < at; });
    for (auto entry = first; entry != program.entries.end() && entry->instruction == instruction;
         ++entry) {
        if (run.base + entry->depth > kMaxNesting) {
            const CodeNode& node = run.tree.nodes[static_cast<std::size_t>(entry->node)];
            Record(run, node.at, kNestedTooDeeply);
            run.failedNode = entry->node;
            run.tooDeep = true;
            return false;
        }
    }
    return true;
}

// Passing over a statement runs nothing but still meets the errors of form the text holds in
// it (the instructions jump to those), and the limit of nesting.
bool CInterpreter::PassOver(Run& run, std::int32_t instruction) {
    const std::int32_t passed = run.program.passes[static_cast<std::size_t>(instruction)];
    if (passed < 0) {
        return true;
    }
    const CodeNode& node = run.tree.nodes[static_cast<std::size_t>(passed)];
    const int before = run.base + node.depth - 1;
    if (before + node.skipDepth <= kMaxNesting) {
        return true;
    }
    if (const std::optional<ScriptError> error = SkipError(run.tree, node, before, functions_)) {
        Record(run, CodePoint{error->line, error->position}, error->message);
        return false;
    }
    return true;
}

// What evaluating the tree would have handed back when it stopped at the failed node: each
// node on the way up keeps, replaces or changes the value that comes up to it.
RValue CInterpreter::ValueAtError(const Run& run) const {
    const CodeProgram& program = run.program;
    const auto node = [&run](std::int32_t index) -> const CodeNode& {
        return run.tree.nodes[static_cast<std::size_t>(index)];
    };
    const auto slot = [&](std::int32_t index) -> const RValue& {
        return run.slots[program.slotOf[static_cast<std::size_t>(index)]];
    };
    std::int32_t child = run.failedNode;
    if (child < 0) {
        return RValue();
    }
    // Operators and brackets keep the value they hold; variables, calls and errors of form
    // give none.
    RValue value;
    switch (node(child).kind) {
    case NodeKind::Logical:
    case NodeKind::Comparison:
    case NodeKind::Additive:
    case NodeKind::Term:
    case NodeKind::Parenthesis:
        if (!run.tooDeep) {
            value = slot(child);
        }
        break;
    default:
        break;
    }
    for (std::int32_t parent = program.parents[static_cast<std::size_t>(child)]; parent >= 0;
         child = parent, parent = program.parents[static_cast<std::size_t>(parent)]) {
        const CodeNode& above = node(parent);
        switch (above.kind) {
        case NodeKind::Logical:
        case NodeKind::Comparison:
        case NodeKind::Additive:
        case NodeKind::Term:
            // A failed right operand leaves the left one.
            if (above.first != child) {
                value = slot(parent);
            }
            break;
        case NodeKind::Not:
            value.real = value.IsTrue() ? 0.0 : 1.0;
            break;
        case NodeKind::UnaryMinus:
            value.real = -value.real;
            break;
        case NodeKind::Variable:
        case NodeKind::Call:
            value = RValue();
            break;
        default:
            break;
        }
    }
    return value;
}

// ---------------------------------------------------------------------------------------------
// The run loop

namespace {

// Whether the comparison of an instruction holds for the difference `d` of its operands.
bool Holds(const Instruction& comparison, double d) {
    switch (comparison.user & ~kWithConstant) {
    case 0:
        return d < 0;
    case 1:
        return d <= 0;
    case 2:
        return d == 0;
    case 3:
        return d != 0;
    case 4:
        return d >= 0;
    default:
        return d > 0;
    }
}

// The difference a comparison looks at: of the reals, or the order of the strings. False when
// the kinds differ.
bool Difference(const Instruction& comparison, const RValue& a, const RValue& b, double& d) {
    if ((comparison.user & kWithConstant) != 0) {
        d = a.real - comparison.number;
        return a.IsReal();
    }
    if (a.kind != b.kind) {
        return false;
    }
    // Strings compare their bytes as unsigned numbers, a shorter one first.
    d = a.IsString() ? a.string.compare(b.string) : a.real - b.real;
    return true;
}

void SetReal(RValue& value, double real) {
    value.kind = kRealValue;
    value.real = real;
    value.string.clear();
}

constexpr const char* kWrongTypes = "Wrong type of arguments.";

std::string Unreadable(const CodeVariable& variable) {
    return "Cannot get value from variable " + variable.name + ".";
}
std::string Unwritable(const CodeVariable& variable) {
    return "Cannot assign a value to variable " + variable.name + ".";
}

} // namespace

// Calls a function with its arguments where they are, in the slots above its result's. False
// when the call failed.
bool CInterpreter::Call(Run& run, const Instruction& call) {
    RValue& result = run.slots[call.a];
    FunctionContext context(game_, parts_);
    {
        // Code that the function runs is nested inside the call.
        const CallDepth depth(depth_, run.base + call.d);
        if (!functions_.CallFunction(
                call.b, context, *run.self, *run.other, call.c,
                FunctionArguments(run.slots + call.a + 1, static_cast<std::size_t>(call.c)),
                result)) {
            result = RValue();
        }
    }
    // A function that fails is an error of the code that called it.
    if (context.Failed()) {
        Fail(run, static_cast<std::int32_t>(&call - run.program.code.data()), context.error);
        return false;
    }
    return true;
}

void CInterpreter::Forall(Run& run, const Instruction& loop, std::int32_t body) {
    const bool everyInstance = loop.c == 1;
    const std::int32_t object = everyInstance ? 0 : RoundToInt32(run.slots[loop.a].real);
    CInstance* const savedSelf = run.self;
    const bool guarded = run.base + run.tree.deepest > kMaxNesting;
    const bool finished = game_.instances.ForEachLive([&](CInstance& instance) {
        if (!everyInstance && instance.object != object) {
            return true;
        }
        run.SetSelf(instance);
        if (guarded) {
            Execute<true>(run, body);
        } else {
            Execute<false>(run, body);
        }
        return !run.stopped;
    });
    if (finished) {
        run.SetSelf(*savedSelf);
    }
}

template <bool kGuarded> void CInterpreter::Execute(Run& run, std::int32_t start) {
    const Instruction* const code = run.program.code.data();
    RValue* const slots = run.slots;
    const auto here = [code](const Instruction* at) {
        return static_cast<std::int32_t>(at - code);
    };
    const Instruction* in = code + start;
    // Goes on at the jump's target, passing over the statement it passes over: false when that
    // stops the code.
    const auto leap = [&]() {
        if constexpr (kGuarded) {
            if (!PassOver(run, here(in))) {
                return false;
            }
        }
        in = code + in->b - 1;
        return true;
    };
    for (;; ++in) {
        if constexpr (kGuarded) {
            const std::int32_t at = here(in);
            if (run.base + run.program.deepestEntry[static_cast<std::size_t>(at)] > kMaxNesting &&
                !EnterNodes(run, at)) {
                return;
            }
        }
        RValue& a = slots[in->a];
        switch (in->op) {
        case Op::Constant:
            a = run.tree.constants[static_cast<std::size_t>(in->b)];
            break;

        // Variables
        case Op::ReadUser:
        case Op::ReadUserAt: {
            const CVariable* variable = run.FindUser(*in);
            if (variable == nullptr) {
                return Fail(run, here(in), Unreadable(run.Variable(*in)));
            }
            const std::int64_t index = in->op == Op::ReadUser ? 0 : run.Index(*in);
            double number = 0;
            if (variable->GetNumber(index, number)) {
                SetReal(a, number);
            } else {
                variable->Load(index, a);
            }
            break;
        }
        case Op::ReadBuiltIn:
        case Op::ReadGame: {
            const std::int32_t number = run.Variable(*in).number;
            if (!(in->op == Op::ReadBuiltIn ? ReadInstanceVariable(*run.self, number, a)
                                            : ReadGameVariable(game_, number, a))) {
                return Fail(run, here(in), Unreadable(run.Variable(*in)));
            }
            break;
        }
        case Op::ReadAny:
        case Op::ReadAnyAt: {
            const CodeVariable& variable = run.Variable(*in);
            const std::int64_t index = in->op == Op::ReadAny ? 0 : run.Index(*in);
            if (!GetVariable(game_, *run.self, *run.other, variable.owner, variable.number,
                             variable.name, index, a)) {
                return Fail(run, here(in), Unreadable(variable));
            }
            break;
        }
        case Op::StoreUser:
            if (a.IsReal() && a.string.empty()) {
                run.FindUser(*in, true)->SetNumber(0, a.real);
            } else {
                run.FindUser(*in, true)->Set(0, std::move(a));
            }
            break;
        case Op::StoreUserAt:
            run.FindUser(*in, true)->Set(run.Index(*in), std::move(a));
            break;
        case Op::StoreBuiltIn:
        case Op::StoreGame: {
            const std::int32_t number = run.Variable(*in).number;
            if (!(in->op == Op::StoreBuiltIn ? WriteInstanceVariable(*run.self, number, a)
                                             : WriteGameVariable(game_, runtime_, number, a))) {
                return Fail(run, here(in), Unwritable(run.Variable(*in)));
            }
            break;
        }
        case Op::StoreAny: {
            const CodeVariable& variable = run.Variable(*in);
            const std::int64_t index = in->c >= 0 ? run.Index(*in) : 0;
            if (!SetVariable(game_, runtime_, *run.self, *run.other, variable.owner,
                             variable.number, variable.name, index, a)) {
                return Fail(run, here(in), Unwritable(variable));
            }
            break;
        }

        // Signs: only the real part changes (not 'x' is still a string).
        case Op::Negate:
            a.real = -a.real;
            break;
        case Op::Not:
            a.real = a.IsTrue() ? 0.0 : 1.0;
            break;

        // Operators
        case Op::Add:
        case Op::AddK: {
            const bool constant = in->op == Op::AddK;
            const RValue& b = slots[in->a + 1];
            if (a.IsReal() && (constant || b.IsReal())) {
                a.real += constant ? in->number : b.real;
            } else if (!constant && a.IsString() && b.IsString()) {
                if (!JoinedFits(a.string.size(), b.string.size())) {
                    return Fail(run, here(in),
                                in->user == 1 ? "Result of += is too long."
                                              : "Result of + is too long.");
                }
                a.string += b.string;
            } else {
                return Fail(run, here(in), kWrongTypes);
            }
            break;
        }
        case Op::Subtract:
        case Op::Multiply:
        case Op::Divide:
        case Op::SubtractK:
        case Op::MultiplyK:
        case Op::DivideK: {
            const bool constant = in->op >= Op::AddK;
            const Op op =
                constant ? static_cast<Op>(static_cast<int>(in->op) - kConstantForms) : in->op;
            const RValue& b = slots[in->a + 1];
            if (!a.IsReal() || (!constant && !b.IsReal())) {
                return Fail(run, here(in), kWrongTypes);
            }
            const double right = constant ? in->number : b.real;
            if (op == Op::Subtract) {
                a.real -= right;
            } else if (op == Op::Multiply) {
                a.real *= right;
            } else if (right == 0) {
                return Fail(run, here(in), "Division by 0.");
            } else {
                a.real /= right;
            }
            break;
        }
        case Op::And:
        case Op::Or:
        case Op::AndK:
        case Op::OrK: {
            const bool constant = in->op >= Op::AddK;
            const RValue& b = slots[in->a + 1];
            if (!a.IsReal() || (!constant && !b.IsReal())) {
                return Fail(run, here(in), "Wrong type of arguments for logical operator.");
            }
            // Both sides are always evaluated: there is no short cut.
            const bool right = (constant ? in->number : b.real) > 0.5;
            SetReal(a, TruthValue(in->op == Op::And || in->op == Op::AndK ? a.IsTrue() && right
                                                                          : a.IsTrue() || right));
            break;
        }
        case Op::Less:
        case Op::LessEqual:
        case Op::Equal:
        case Op::NotEqual:
        case Op::GreaterEqual:
        case Op::Greater:
        case Op::LessK:
        case Op::LessEqualK:
        case Op::EqualK:
        case Op::NotEqualK:
        case Op::GreaterEqualK:
        case Op::GreaterK: {
            double d = 0;
            if (!Difference(*in, a, slots[in->a + 1], d)) {
                return Fail(run, here(in), "Cannot compare arguments.");
            }
            SetReal(a, TruthValue(Holds(*in, d)));
            break;
        }
        case Op::JumpUnlessLess:
        case Op::JumpUnlessLessEqual:
        case Op::JumpUnlessEqual:
        case Op::JumpUnlessNotEqual:
        case Op::JumpUnlessGreaterEqual:
        case Op::JumpUnlessGreater:
        case Op::JumpUnlessLessK:
        case Op::JumpUnlessLessEqualK:
        case Op::JumpUnlessEqualK:
        case Op::JumpUnlessNotEqualK:
        case Op::JumpUnlessGreaterEqualK:
        case Op::JumpUnlessGreaterK: {
            double d = 0;
            if (!Difference(*in, a, slots[in->a + 1], d)) {
                return Fail(run, here(in), "Cannot compare arguments.");
            }
            if (!Holds(*in, d) && !leap()) {
                return;
            }
            break;
        }

        case Op::WrongAssign:
            return Fail(run, here(in), "Unexpected symbol.");
        case Op::AddUserK: {
            CVariable* variable = run.FindUser(*in);
            double number = 0;
            if (variable != nullptr && variable->GetNumber(0, number)) {
                variable->SetNumber(0, number + in->number);
                break;
            }
            if (variable == nullptr) {
                return Fail(run, here(in), Unreadable(run.Variable(*in)));
            }
            // A string, or a number with a string part, which the sum keeps.
            variable->Load(0, a);
            if (!a.IsReal()) {
                Record(run, run.program.points[static_cast<std::size_t>(in->point + 1)],
                       kWrongTypes);
                return;
            }
            a.real += in->number;
            variable->Set(0, a);
            break;
        }

        case Op::Call:
            if (!Call(run, *in)) {
                return;
            }
            break;

        // Control
        case Op::Jump:
            if (!leap()) {
                return;
            }
            break;
        case Op::JumpIfNot:
            if (!a.IsTrue() && !leap()) {
                return;
            }
            break;
        case Op::JumpWhileNot:
            if (!RoundsAboveZero(a.real) && !leap()) {
                return;
            }
            break;
        case Op::Loop:
            // Often enough that a close is answered at once, rarely enough to cost nothing.
            if (++loopPasses_ >= 4096 && !AskToGoOn(run, here(in))) {
                return;
            }
            in = code + in->b - 1;
            break;
        case Op::RepeatStart: {
            const std::int64_t count = RoundToInteger(a.real);
            if (count > 0) {
                SetReal(a, static_cast<double>(count));
            } else if (!leap()) {
                return;
            }
            break;
        }
        case Op::RepeatNext:
            if (++loopPasses_ >= 4096 && !AskToGoOn(run, here(in))) {
                return;
            }
            a.real -= 1;
            if (a.real > 0) {
                in = code + in->b - 1;
            }
            break;
        case Op::Forall:
            Forall(run, *in, here(in) + 1);
            // Passed over once more, as reading on behind the body would; when the body
            // stopped the code, self need not come back.
            if (run.stopped || !leap()) {
                return;
            }
            break;
        case Op::EndBody:
        case Op::Return:
            return;
        case Op::Exit:
            run.stopped = true; // ends the code without an error
            return;
        case Op::Fail:
            return Fail(run, here(in), run.tree.errors[static_cast<std::size_t>(in->b)].message);
        }
    }
}

} // namespace velkaro
