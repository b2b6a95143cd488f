#pragma once

#include "base/VariableClass.h"
#include "data/CodeTree.h"
#include "script/CodeCompiler.h"
#include "script/FunctionUnit.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velkaro {

class CInstance;
class GameErrorSink;
class RuntimeControl;
struct GameParts;
struct GameState;

// Message recorded when the player ends the game while code still loops.
inline const char* const kStoppedInLoop =
    "The game was closed while this code was still running a loop.";

// Evaluates expressions and runs code of a running game, from the trees made when the game
// started (script/CodeCompiler.h).
//
// Only the first error of an evaluation counts: it stops the evaluation, and is reported once,
// when the evaluation ends. Evaluations may nest (a function that runs an event runs code
// again); they share one error state, and the outer one of nested evaluations reports
// whatever that holds.
class CInterpreter {
public:
    // `parts` is handed to every function called; the interpreter never looks into it, so it
    // may still be under construction while the interpreter is built.
    CInterpreter(GameState& game, const CFunctionRegistry& functions, GameErrorSink& errors,
                 RuntimeControl& runtime, GameParts& parts);
    CInterpreter(const CInterpreter&) = delete;
    CInterpreter& operator=(const CInterpreter&) = delete;

    // The real part of the expression; 0 for an empty text. An error is reported as
    // "in expression at pos P: MESSAGE"; the value is then whatever evaluation had reached.
    double EvaluateReal(CInstance& self, CInstance& other, const CodeTree& code);
    // The string part of the expression; empty for an empty text.
    std::string EvaluateString(CInstance& self, CInstance& other, const CodeTree& code);
    // Runs the first statement (normally a block) of the code; the rest is never looked at.
    // An error is reported as "in code at line L pos P: MESSAGE".
    void ExecuteCode(CInstance& self, CInstance& other, const CodeTree& code);

    // The shared error state: whether the last evaluation failed, and how.
    bool HasError() const { return error_flag_; }
    const ScriptError& LastError() const { return error_; }

private:
    struct Run;
    class CallDepth;
    class ArgumentSlots;

    // The inlining asked for below was measured (docs/performance.md): the quick paths are
    // inlined into their callers, the rare and the large parts kept out of them, and the
    // statements that recurse into one another kept small.

    // Expressions.
    RValue Evaluate(Run& run, std::int32_t node);
    [[gnu::always_inline]] inline double Number(Run& run, std::int32_t node);
    [[gnu::always_inline]] inline bool QuickNumber(const Run& run, const CodeNode& node,
                                                   double& number) const;
    [[gnu::always_inline]] inline bool QuickRead(const Run& run, const CodeVariable& name,
                                                 std::int64_t index, double& number) const;
    [[gnu::always_inline]] inline bool QuickRead(const Run& run, const QuickStep& step,
                                                 std::int64_t index, double& number) const;
    [[gnu::noinline]] bool QuickReadOther(const Run& run, const CodeVariable& name,
                                          std::int64_t index, double& number) const;
    bool RunQuick(const Run& run, const CodeNode& node, double& number) const;
    RValue Operator(Run& run, const CodeNode& node);
    bool Apply(Run& run, NodeKind kind, const CodeLink& link, RValue& left, const RValue& right);
    RValue Factor(Run& run, const CodeNode& node);
    RValue VariableValue(Run& run, const CodeNode& node);
    [[gnu::always_inline]] inline bool ReadVariable(const Run& run, const CodeVariable& variable,
                                                    std::int64_t index, RValue& value);
    RValue FunctionCall(Run& run, const CodeNode& node);
    void CallInto(Run& run, const CodeNode& node, RValue& result);

    // Statements: run, or passed over as a branch or loop that is not taken.
    void Execute(Run& run, std::int32_t node);
    void Pass(Run& run, std::int32_t node);
    [[gnu::noinline]] void Block(Run& run, const CodeNode& node);
    [[gnu::noinline]] void Assignment(Run& run, const CodeNode& node);
    [[gnu::noinline]] void AnyAssignment(Run& run, const CodeNode& node);
    bool QuickAssignment(Run& run, const CodeNode& node);
    [[gnu::noinline]] void IfStatement(Run& run, const CodeNode& node);
    [[gnu::noinline]] void WhileStatement(Run& run, const CodeNode& node);
    [[gnu::noinline]] void RepeatStatement(Run& run, const CodeNode& node);
    [[gnu::noinline]] void ForallStatement(Run& run, const CodeNode& node);

    [[gnu::noinline]] void RecordError(Run& run, const CodePoint& point,
                                       const std::string& message);
    // The same for the fixed messages, so that no string is built where the code runs.
    [[gnu::noinline]] void RecordError(Run& run, const CodePoint& point, const char* message);
    void RecordError(Run& run, std::int32_t error);
    void ClearError();
    // Counts a pass of a loop; every so many it asks whether the player wants the game to end,
    // and then stops the code with a fatal error. False when the code is stopped.
    [[gnu::always_inline]] inline bool LoopGoesOn(Run& run, const CodePoint& point);
    [[gnu::noinline]] bool AskToGoOn(Run& run, const CodePoint& point);
    void ReportError(bool inCode);

    GameState& game_;
    const CFunctionRegistry& functions_;
    GameErrorSink& errors_;
    RuntimeControl& runtime_;
    GameParts& parts_;

    bool error_flag_ = false;
    ScriptError error_;
    // The nesting in use by the evaluations running: those started now begin there.
    int depth_ = 0;
    // Loop passes since the player's wishes were last asked.
    int loopPasses_ = 0;
    // Argument slots by depth of nested calls (see ArgumentSlots).
    std::vector<std::unique_ptr<FunctionArguments>> argumentStack_;
    int callDepth_ = 0;
};

} // namespace velkaro
