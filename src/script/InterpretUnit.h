#pragma once

#include "base/VariableClass.h"
#include "data/CodeTree.h"
#include "script/CodeCompiler.h"
#include "script/FunctionUnit.h"

#include <cstdint>
#include <deque>
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

// Evaluates expressions and runs code of a running game, from the instructions made when the
// game started (script/CodeGenerator.h).
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
    class Frame;
    class CallDepth;

    // Runs `tree` in a frame of its own; `value`, for an expression, gets what it gave.
    void Start(const CodeTree& tree, CInstance& self, CInstance& other, RValue* value);
    // Runs the instructions from `start` up to the end of the code or of a forall's body.
    // Nesting is only checked where it may go beyond the limit (kGuarded).
    template <bool kGuarded> void Execute(Run& run, std::int32_t start);
    [[gnu::noinline]] bool EnterNodes(Run& run, std::int32_t instruction);
    [[gnu::noinline]] bool PassOver(Run& run, std::int32_t instruction);
    [[gnu::noinline]] void Forall(Run& run, const Instruction& loop, std::int32_t body);
    [[gnu::noinline]] bool Call(Run& run, const Instruction& call);

    // The value a failed evaluation of an expression had reached.
    RValue ValueAtError(const Run& run) const;

    // Records the first error of a run and stops it. `instruction` is where it happened.
    [[gnu::noinline]] void Fail(Run& run, std::int32_t instruction, const std::string& message);
    void Record(Run& run, const CodePoint& point, const std::string& message);
    [[gnu::noinline]] bool AskToGoOn(Run& run, std::int32_t instruction);
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
    // The slots of the runs going on, one frame for each run nested in another (see Frame),
    // kept from run to run.
    std::deque<std::vector<RValue>> frames_;
    int runs_ = 0;
};

} // namespace velkaro
