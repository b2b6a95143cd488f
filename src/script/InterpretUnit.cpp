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
#include <utility>

namespace velkaro {

// The state of one evaluation or one run of code.
struct CCodeWalker::Acode {
    const CTokenList& tokens;
    const std::string& text;
    int current = 1;
    // Set by the first error and by exit; every routine returns once it sees it.
    bool stopped = false;
    // Null while code is only checked: skip mode never touches an instance or the game.
    CInstance* self = nullptr;
    CInstance* other = nullptr;
    Running* running = nullptr;
    // The tokens and their count, read once: every step of the parser looks at them.
    const CToken* data = tokens.Data();
    int count = tokens.Count();

    const CToken& Token() const { return data[current - 1]; }
};

// One level of nesting for as long as the routine that entered it runs.
class CCodeWalker::Nesting {
public:
    explicit Nesting(int& depth) : depth_(depth) { ++depth_; }
    ~Nesting() { --depth_; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;

    bool TooDeep() const { return depth_ > kMaxNesting; }

private:
    int& depth_;
};

inline std::int32_t CCodeWalker::CurrentKind(const Acode& code) const {
    return code.current > code.count ? -1 : code.Token().kind;
}

inline void CCodeWalker::SkipToken(Acode& code) {
    if (code.current > code.count) [[unlikely]] {
        NoSymbolToSkip(code);
        return;
    }
    ++code.current;
}

// The argument slots of one call, for as long as the call is being evaluated.
class CCodeWalker::ArgumentSlots {
public:
    explicit ArgumentSlots(CCodeWalker& walker) : walker_(walker) {
        auto& stack = walker_.argumentStack_;
        if (static_cast<std::size_t>(walker_.callDepth_) == stack.size()) {
            stack.push_back(std::make_unique<FunctionArguments>());
        }
        arguments_ = stack[static_cast<std::size_t>(walker_.callDepth_++)].get();
    }
    ~ArgumentSlots() { --walker_.callDepth_; }
    ArgumentSlots(const ArgumentSlots&) = delete;
    ArgumentSlots& operator=(const ArgumentSlots&) = delete;

    FunctionArguments& Arguments() const { return *arguments_; }

private:
    CCodeWalker& walker_;
    FunctionArguments* arguments_ = nullptr;
};

CCodeWalker::CCodeWalker(const CFunctionRegistry& functions) : functions_(functions) {}

CInterpreter::CInterpreter(GameState& game, const CFunctionRegistry& functions,
                           GameErrorSink& errors, RuntimeControl& runtime, GameParts& parts)
    : CCodeWalker(functions), running_{game, runtime, parts}, errors_(errors) {}

// ---------------------------------------------------------------------------------------------
// Entry points

double CInterpreter::EvaluateReal(CInstance& self, CInstance& other, const CTokenList& tokens,
                                  const std::string& text) {
    if (text.empty()) {
        return 0.0;
    }
    // Most arguments are plain numbers: answered without setting up an evaluation.
    const int count = tokens.Count();
    if (count == 2 && tokens.Get(1).kind == kTokValue && tokens.Get(2).kind == kTokEndOfText) {
        return tokens.Get(1).value.real;
    }
    if (count == 3 && tokens.Get(1).kind == kTokMinus && tokens.Get(2).kind == kTokValue &&
        tokens.Get(3).kind == kTokEndOfText) {
        return -tokens.Get(2).value.real;
    }
    Acode code{tokens, text, 1, false, &self, &other, &running_};
    ClearError();
    const RValue value = Logical(code, Mode::Execute);
    ReportError(false);
    return value.real;
}

std::string CInterpreter::EvaluateString(CInstance& self, CInstance& other,
                                         const CTokenList& tokens, const std::string& text) {
    if (text.empty()) {
        return {};
    }
    Acode code{tokens, text, 1, false, &self, &other, &running_};
    ClearError();
    RValue value = Logical(code, Mode::Execute);
    ReportError(false);
    return std::move(value.string);
}

void CInterpreter::ExecuteCode(CInstance& self, CInstance& other, const CTokenList& tokens,
                               const std::string& text) {
    if (text.empty()) {
        return;
    }
    Acode code{tokens, text, 1, false, &self, &other, &running_};
    ClearError();
    Block(code, Mode::Execute);
    ReportError(true);
}

std::optional<ScriptError> CCodeWalker::CheckExpression(const CTokenList& tokens,
                                                        const std::string& text) {
    return Walk(tokens, text, false);
}

std::optional<ScriptError> CCodeWalker::CheckCode(const CTokenList& tokens,
                                                  const std::string& text) {
    return Walk(tokens, text, true);
}

std::optional<ScriptError> CCodeWalker::Walk(const CTokenList& tokens, const std::string& text,
                                             bool asCode) {
    if (text.empty()) {
        return std::nullopt;
    }
    const bool savedFlag = std::exchange(error_flag_, false);
    ScriptError savedError = std::exchange(error_, ScriptError{});
    Acode code{tokens, text, 1, false, nullptr, nullptr, nullptr};
    if (asCode) {
        Block(code, Mode::Skip);
    } else {
        Logical(code, Mode::Skip);
    }
    const bool failed = std::exchange(error_flag_, savedFlag);
    ScriptError found = std::exchange(error_, std::move(savedError));
    if (!failed) {
        return std::nullopt;
    }
    return found;
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
// Tokens and errors

void CCodeWalker::NoSymbolToSkip(Acode& code) {
    RecordError(code, "Internal Error: No symbol to skip");
}

void CCodeWalker::SkipIf(Acode& code, std::int32_t kind) {
    if (CurrentKind(code) == kind) {
        SkipToken(code);
    }
}

void CCodeWalker::ClearError() {
    error_flag_ = false;
    error_ = ScriptError{};
}

// The line and position are those of the current token, counted in the text: "#" starts a
// new line.
bool CCodeWalker::LoopGoesOn(Acode& code) {
    // Often enough that a close is answered at once, rarely enough to cost nothing.
    constexpr int kPassesBetweenAsks = 4096;
    if (++loopPasses_ < kPassesBetweenAsks) {
        return true;
    }
    loopPasses_ = 0;
    if (!code.running->runtime.StopAsked()) {
        return true;
    }
    RecordError(code, kStoppedInLoop);
    error_.fatal = true;
    return false;
}

void CCodeWalker::RecordError(Acode& code, const std::string& message) {
    if (code.stopped) {
        return;
    }
    code.stopped = true;
    error_flag_ = true;
    error_.line = 1;
    error_.position = 0;
    error_.fatal = false;
    std::int64_t end = 0;
    if (code.current <= code.tokens.Count()) {
        end = code.Token().position;
    }
    end = std::clamp<std::int64_t>(end, 0, static_cast<std::int64_t>(code.text.size()));
    for (std::int64_t i = 0; i < end; ++i) {
        if (code.text[static_cast<std::size_t>(i)] == '#') {
            ++error_.line;
            error_.position = 0;
        } else {
            ++error_.position;
        }
    }
    error_.message = message;
}

// ---------------------------------------------------------------------------------------------
// Expressions

RValue CCodeWalker::Logical(Acode& code, Mode mode) {
    RValue left = Comparison(code, mode);
    while (!code.stopped) {
        const std::int32_t op = CurrentKind(code);
        if (op != kTokAnd && op != kTokOr) {
            break;
        }
        SkipToken(code);
        const RValue right = Comparison(code, mode);
        if (code.stopped || mode == Mode::Skip) {
            continue;
        }
        if (!left.IsReal() || !right.IsReal()) {
            RecordError(code, "Wrong type of arguments for logical operator.");
            break;
        }
        // Both sides are always evaluated: there is no short cut.
        const bool truth =
            op == kTokAnd ? left.IsTrue() && right.IsTrue() : left.IsTrue() || right.IsTrue();
        left = RValue::Real(TruthValue(truth));
    }
    return left;
}

namespace {

bool IsComparison(std::int32_t kind) {
    return kind == kTokAssign || (kind >= kTokLess && kind <= kTokGreater);
}

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
        return d > 0; // greater
    }
}

} // namespace

RValue CCodeWalker::Comparison(Acode& code, Mode mode) {
    RValue left = Additive(code, mode);
    if (code.stopped) {
        return left;
    }
    const std::int32_t op = CurrentKind(code);
    if (!IsComparison(op)) {
        return left;
    }
    SkipToken(code);
    const RValue right = Additive(code, mode);
    if (code.stopped || mode == Mode::Skip) {
        return left;
    }
    if (left.kind != right.kind) {
        RecordError(code, "Cannot compare arguments.");
        return left;
    }
    const double d =
        left.IsString() ? CompareBytes(left.string, right.string) : left.real - right.real;
    return RValue::Real(TruthValue(ComparisonHolds(op, d)));
}

RValue CCodeWalker::Additive(Acode& code, Mode mode) {
    RValue left = Term(code, mode);
    while (!code.stopped) {
        const std::int32_t op = CurrentKind(code);
        if (op != kTokPlus && op != kTokMinus) {
            break;
        }
        SkipToken(code);
        const RValue right = Term(code, mode);
        if (code.stopped || mode == Mode::Skip) {
            continue;
        }
        if (left.IsReal() && right.IsReal()) {
            left.real = op == kTokPlus ? left.real + right.real : left.real - right.real;
        } else if (op == kTokPlus && left.IsString() && right.IsString()) {
            left.string += right.string;
        } else {
            RecordError(code, "Wrong type of arguments.");
            break;
        }
    }
    return left;
}

RValue CCodeWalker::Term(Acode& code, Mode mode) {
    RValue left = Factor(code, mode);
    while (!code.stopped) {
        const std::int32_t op = CurrentKind(code);
        if (op != kTokTimes && op != kTokDivide) {
            break;
        }
        SkipToken(code);
        const RValue right = Factor(code, mode);
        if (code.stopped || mode == Mode::Skip) {
            continue;
        }
        if (!left.IsReal() || !right.IsReal()) {
            RecordError(code, "Wrong type of arguments.");
            break;
        }
        if (op == kTokTimes) {
            left.real *= right.real;
        } else if (right.real == 0) {
            RecordError(code, "Division by 0.");
            break;
        } else {
            left.real /= right.real;
        }
    }
    return left;
}

RValue CCodeWalker::Factor(Acode& code, Mode mode) {
    const std::int32_t kind = CurrentKind(code);
    if (kind == kTokValue) {
        // A value nests nothing: the commonest factor skips the nesting count.
        RValue value = code.Token().value;
        SkipToken(code);
        return value;
    }
    // Every other nesting of expressions passes through here.
    const Nesting nesting(depth_);
    if (nesting.TooDeep()) {
        RecordError(code, kNestedTooDeeply);
        return RValue();
    }
    switch (kind) {
    case kTokVariable:
        return VariableReference(code, mode);
    case kTokFunction:
        return FunctionCall(code, mode);
    case kTokOpenParen: {
        SkipToken(code);
        RValue value = Logical(code, mode);
        if (!code.stopped) {
            if (CurrentKind(code) == kTokCloseParen) {
                SkipToken(code);
            } else {
                RecordError(code, ") expected.");
            }
        }
        return value;
    }
    case kTokNot: {
        SkipToken(code);
        RValue value = Factor(code, mode);
        // Only the real part changes: not 'x' is still a string.
        value.real = value.IsTrue() ? 0.0 : 1.0;
        return value;
    }
    case kTokPlus:
        SkipToken(code);
        return Factor(code, mode);
    case kTokMinus: {
        SkipToken(code);
        RValue value = Factor(code, mode);
        value.real = -value.real;
        return value;
    }
    default:
        RecordError(code, "Unexpected symbol");
        return RValue();
    }
}

// Reads what a variable token names. Most names in game code are user variables of self:
// those are read here directly, as GetVariable would read them; every other name goes
// through GetVariable.
bool CCodeWalker::ReadVariable(const Acode& code, const CToken& token, std::int64_t index,
                               RValue& value) {
    if (token.owner == kOwnerNone && token.index == kUserVariable) {
        return code.self->locals.GetValue(token.name, index, value);
    }
    return GetVariable(code.running->game, *code.self, *code.other, token.owner, token.index,
                       token.name, index, value);
}

RValue CCodeWalker::VariableReference(Acode& code, Mode mode) {
    const CToken& token = code.Token();
    if (token.owner == kOwnerUnknown) {
        RecordError(code, "Object " + token.prefix + " does not exist.");
        return RValue();
    }
    SkipToken(code);
    std::int64_t index = 0;
    if (CurrentKind(code) == kTokOpenBracket) {
        SkipToken(code);
        index = RoundToInteger(Logical(code, mode).real);
        if (code.stopped) {
            return RValue();
        }
        if (CurrentKind(code) != kTokCloseBracket) {
            RecordError(code, "] expected.");
            return RValue();
        }
        SkipToken(code);
    }
    RValue value;
    if (mode == Mode::Execute && !code.stopped && !ReadVariable(code, token, index, value)) {
        RecordError(code, "Cannot get value from variable " + token.name + ".");
    }
    return value;
}

RValue CCodeWalker::FunctionCall(Acode& code, Mode mode) {
    const CToken& token = code.Token();
    SkipToken(code); // the name
    SkipToken(code); // "(", which always follows a function's name
    // Each depth of nested calls has its argument slots, kept from call to call: setting up
    // ten fresh values for every call costs more than many a function itself.
    const ArgumentSlots slots(*this);
    FunctionArguments& arguments = slots.Arguments();
    int count = 0;
    if (CurrentKind(code) != kTokCloseParen) {
        while (true) {
            if (code.stopped) {
                return RValue();
            }
            arguments[static_cast<std::size_t>(count)] = Logical(code, mode);
            ++count;
            if (code.stopped) {
                return RValue();
            }
            const std::int32_t next = CurrentKind(code);
            if (next == kTokCloseParen) {
                break;
            }
            // An eleventh argument is refused before it is parsed.
            if (count == kMaxFunctionArguments) {
                RecordError(code, "Too many arguments.");
                return RValue();
            }
            if (next != kTokComma) {
                RecordError(code, ") or , expected.");
                return RValue();
            }
            SkipToken(code);
        }
    }
    SkipToken(code); // ")"
    if (token.index == -1) {
        RecordError(code, "Function " + token.name + " does not exist.");
    } else if (count != functions_.GetFunctionArgCount(token.index)) {
        RecordError(code, "Wrong number of arguments for function " + token.name + ".");
    } else if (!code.stopped && mode == Mode::Execute) {
        FunctionContext context(code.running->game, code.running->parts);
        RValue result;
        functions_.CallFunction(token.index, context, *code.self, *code.other, count, arguments,
                                result);
        // A function that fails is an error of the code that called it.
        if (context.Failed()) {
            RecordError(code, context.error);
        }
        return result;
    }
    return RValue();
}

// ---------------------------------------------------------------------------------------------
// Statements

void CCodeWalker::Statement(Acode& code, Mode mode) {
    if (code.stopped) {
        return;
    }
    // Every nesting of statements passes through here.
    const Nesting nesting(depth_);
    if (nesting.TooDeep()) {
        RecordError(code, kNestedTooDeeply);
        return;
    }
    switch (CurrentKind(code)) {
    case kTokEndOfText:
        RecordError(code, "Unexpected end of code.");
        return;
    case kTokVariable:
        Assignment(code, mode);
        return;
    case kTokFunction:
        FunctionCall(code, mode);
        return;
    case kTokBlockStart:
        Block(code, mode);
        return;
    case kTokIf:
        SkipToken(code);
        IfStatement(code, mode);
        return;
    case kTokWhile:
        SkipToken(code);
        WhileStatement(code, mode);
        return;
    case kTokRepeat:
        SkipToken(code);
        RepeatStatement(code, mode);
        return;
    case kTokExit:
        SkipToken(code);
        if (mode == Mode::Execute) {
            code.stopped = true; // ends the code without an error
        }
        return;
    case kTokForall:
        SkipToken(code);
        ForallStatement(code, mode, false);
        return;
    case kTokForallInstances:
        SkipToken(code);
        ForallStatement(code, mode, true);
        return;
    case kTokSemicolon:
        SkipToken(code);
        return;
    default:
        RecordError(code, "Unexpected symbol: ");
        return;
    }
}

void CCodeWalker::Block(Acode& code, Mode mode) {
    if (CurrentKind(code) != kTokBlockStart) {
        Statement(code, mode);
        return;
    }
    SkipToken(code);
    while (CurrentKind(code) != kTokBlockEnd) {
        Statement(code, mode);
        if (code.stopped) {
            return;
        }
    }
    SkipToken(code);
}

void CCodeWalker::Assignment(Acode& code, Mode mode) {
    const CToken& token = code.Token();
    if (token.owner == kOwnerUnknown) {
        RecordError(code, "Object " + token.prefix + " does not exist.");
        return;
    }
    SkipToken(code);
    if (code.stopped) {
        return;
    }
    // Whatever follows is taken as the operator; only running it tells a wrong one.
    std::int32_t op = CurrentKind(code);
    SkipToken(code);
    std::int64_t index = 0;
    if (op == kTokOpenBracket) {
        index = RoundToInteger(Logical(code, mode).real);
        if (code.stopped) {
            return;
        }
        const std::int32_t closing = CurrentKind(code);
        SkipToken(code);
        if (closing != kTokCloseBracket) {
            RecordError(code, "] expected.");
            return;
        }
        op = CurrentKind(code);
        SkipToken(code);
    }
    RValue value;
    if (mode == Mode::Execute && op != kTokAssign && !code.stopped &&
        !ReadVariable(code, token, index, value)) {
        RecordError(code, "Cannot get value from variable " + token.name + ".");
    }
    if (code.stopped) {
        return;
    }
    RValue right = Logical(code, mode);
    if (code.stopped || mode == Mode::Skip) {
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
            value.string += right.string;
        } else {
            RecordError(code, "Wrong type of arguments.");
            return;
        }
        break;
    case kTokSubtractAssign:
    case kTokMultiplyAssign:
    case kTokDivideAssign:
        if (!reals) {
            RecordError(code, "Wrong type of arguments.");
            return;
        }
        if (op == kTokSubtractAssign) {
            value.real -= right.real;
        } else if (op == kTokMultiplyAssign) {
            value.real *= right.real;
        } else if (right.real == 0) {
            RecordError(code, "Division by 0.");
            return;
        } else {
            value.real /= right.real;
        }
        break;
    default:
        RecordError(code, "Unexpected symbol.");
        return;
    }
    if (token.owner == kOwnerNone && token.index == kUserVariable) {
        // A user variable of self, the commonest target (see ReadVariable).
        code.self->locals.SetValue(token.name, std::move(value), index);
    } else if (!SetVariable(code.running->game, code.running->runtime, *code.self, *code.other,
                            token.owner, token.index, token.name, index, value)) {
        RecordError(code, "Cannot assign a value to variable " + token.name + ".");
    }
}

void CCodeWalker::IfStatement(Acode& code, Mode mode) {
    const RValue condition = Logical(code, mode);
    if (code.stopped) {
        return;
    }
    SkipIf(code, kTokThen);
    const bool truth = condition.IsTrue();
    Statement(code, truth ? mode : Mode::Skip);
    if (code.stopped) {
        return;
    }
    // The then-branch may end in ";" before the else.
    SkipIf(code, kTokSemicolon);
    if (CurrentKind(code) == kTokElse) {
        SkipToken(code);
        Statement(code, truth ? Mode::Skip : mode);
    }
}

void CCodeWalker::WhileStatement(Acode& code, Mode mode) {
    const int start = code.current;
    while (true) {
        const RValue condition = Logical(code, mode);
        if (code.stopped) {
            return;
        }
        SkipIf(code, kTokDo);
        if (RoundToInteger(condition.real) <= 0) {
            Statement(code, Mode::Skip);
            return;
        }
        Statement(code, mode);
        // A walk in skip mode passes over the body once.
        if (mode == Mode::Skip || code.stopped || !LoopGoesOn(code)) {
            return;
        }
        code.current = start;
    }
}

void CCodeWalker::RepeatStatement(Acode& code, Mode mode) {
    const RValue countValue = Logical(code, mode);
    if (code.stopped) {
        return;
    }
    const std::int64_t count = mode == Mode::Execute ? RoundToInteger(countValue.real) : 1;
    const int start = code.current;
    if (count <= 0) {
        Statement(code, Mode::Skip);
        return;
    }
    for (std::int64_t pass = 0; pass < count; ++pass) {
        code.current = start;
        Statement(code, mode);
        if (code.stopped || (mode == Mode::Execute && !LoopGoesOn(code))) {
            return;
        }
    }
}

void CCodeWalker::ForallStatement(Acode& code, Mode mode, bool everyInstance) {
    std::int32_t object = 0;
    if (!everyInstance) {
        object = RoundToInt32(Logical(code, mode).real);
        if (code.stopped) {
            return;
        }
    }
    SkipIf(code, kTokDo);
    if (mode == Mode::Skip) {
        Statement(code, Mode::Skip);
        return;
    }
    const int start = code.current;
    CInstance* const savedSelf = code.self;
    const bool finished = code.running->game.instances.ForEachLive([&](CInstance& instance) {
        if (!everyInstance && instance.object != object) {
            return true;
        }
        code.self = &instance;
        Statement(code, Mode::Execute);
        if (code.stopped) {
            return false;
        }
        code.current = start;
        return true;
    });
    if (!finished) {
        return; // the code is over: self need not come back
    }
    // Walked once more so that the cursor lands behind the body.
    Statement(code, Mode::Skip);
    code.self = savedSelf;
}

} // namespace velkaro
