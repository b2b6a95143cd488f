#pragma once

#include "base/VariableClass.h"
#include "script/FunctionUnit.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velkaro {

class CInstance;
class CTokenList;
struct CToken;
class GameErrorSink;
class RuntimeControl;
struct GameParts;
struct GameState;

// The first error of an evaluation: where it was found, counted in the text (lines are
// separated by "#"), and what it was.
struct ScriptError {
    int line = 1;
    int position = 0;
    std::string message;
    // Offers the player no way to go on.
    bool fatal = false;

    friend bool operator==(const ScriptError&, const ScriptError&) = default;
};

// Message recorded when the player ends the game while code still loops.
inline const char* const kStoppedInLoop =
    "The game was closed while this code was still running a loop.";

// Message recorded when code nests deeper than the interpreter's stack allows.
inline const char* const kNestedTooDeeply = "Code is nested too deeply.";

// Walks expressions and code over the token lists prepared when the game started.
//
// Parsing and running are one pass over the tokens. The same routines also walk tokens in a
// skip mode that computes nothing, for branches and loop bodies that are not taken; skip mode
// still finds the errors of form (and unknown functions, wrong argument counts, prefixes that
// name no object). Skip mode reads nothing but the tokens and the function table, so a walker
// checks a game's code without a game to run it in; CInterpreter adds the running.
//
// Only the first error of an evaluation counts: it stops the evaluation. Evaluations may nest
// (a function that runs an event runs code again); they share one error state.
class CCodeWalker {
public:
    // Nesting (parentheses, signs, calls, blocks, statements inside statements) deeper than
    // this is refused with kNestedTooDeeply rather than exhausting the stack. Counted across
    // evaluations that run inside one another, so that code which keeps starting itself
    // through events is stopped as well.
    static constexpr int kMaxNesting = 256;

    explicit CCodeWalker(const CFunctionRegistry& functions);
    CCodeWalker(const CCodeWalker&) = delete;
    CCodeWalker& operator=(const CCodeWalker&) = delete;

    // Walk a text as EvaluateReal and ExecuteCode would, without reading or writing anything
    // or calling any function, and answer the first error that shows without running: errors
    // that depend on values (types, division by 0, variables without a value) do not. The
    // error state of running evaluations is left as it was.
    std::optional<ScriptError> CheckExpression(const CTokenList& tokens, const std::string& text);
    std::optional<ScriptError> CheckCode(const CTokenList& tokens, const std::string& text);

    // The shared error state: whether the last evaluation failed, and how.
    bool HasError() const { return error_flag_; }
    const ScriptError& LastError() const { return error_; }

protected:
    enum class Mode { Execute, Skip };
    // What code that runs reaches of its game; a walk that only checks has none.
    struct Running {
        GameState& game;
        // Where writes to the room and the screen mode go.
        RuntimeControl& runtime;
        // Handed on to the built-in functions.
        GameParts& parts;
    };
    struct Acode;

    RValue Logical(Acode& code, Mode mode);
    void Block(Acode& code, Mode mode);
    void ClearError();

private:
    class Nesting;
    class ArgumentSlots;

    std::optional<ScriptError> Walk(const CTokenList& tokens, const std::string& text, bool asCode);

    // Expressions, lowest precedence first (Logical above).
    // The levels between Logical and Factor are folded into Logical by the compiler: most
    // operands pass through every level without an operator, and the calls cost more than
    // the tests.
    [[gnu::always_inline]] inline RValue Comparison(Acode& code, Mode mode);
    [[gnu::always_inline]] inline RValue Additive(Acode& code, Mode mode);
    [[gnu::always_inline]] inline RValue Term(Acode& code, Mode mode);
    RValue Factor(Acode& code, Mode mode);
    RValue VariableReference(Acode& code, Mode mode);
    [[gnu::always_inline]] inline bool ReadVariable(const Acode& code, const CToken& token,
                                                    std::int64_t index, RValue& value);
    RValue FunctionCall(Acode& code, Mode mode);

    // Statements (Block above).
    void Statement(Acode& code, Mode mode);
    void Assignment(Acode& code, Mode mode);
    void IfStatement(Acode& code, Mode mode);
    void WhileStatement(Acode& code, Mode mode);
    void RepeatStatement(Acode& code, Mode mode);
    void ForallStatement(Acode& code, Mode mode, bool everyInstance);

    std::int32_t CurrentKind(const Acode& code) const;
    void SkipToken(Acode& code);
    [[gnu::cold]] void NoSymbolToSkip(Acode& code);
    void SkipIf(Acode& code, std::int32_t kind);
    void RecordError(Acode& code, const std::string& message);
    // Counts a pass of a loop; every so many it asks whether the player wants the game to end,
    // and then stops the code with a fatal error. False when the code is stopped.
    bool LoopGoesOn(Acode& code);

    const CFunctionRegistry& functions_;

    bool error_flag_ = false;
    ScriptError error_;
    int depth_ = 0;
    // Loop passes since the player's wishes were last asked.
    int loopPasses_ = 0;
    // Argument slots by depth of nested calls (see ArgumentSlots).
    std::vector<std::unique_ptr<FunctionArguments>> argumentStack_;
    int callDepth_ = 0;
};

// Evaluates expressions and runs code in a running game. The first error of an evaluation is
// reported once, when the evaluation ends; the outer one of nested evaluations reports
// whatever the shared error state holds.
class CInterpreter : public CCodeWalker {
public:
    // `parts` is handed to every function called; the interpreter never looks into it, so it
    // may still be under construction while the interpreter is built.
    CInterpreter(GameState& game, const CFunctionRegistry& functions, GameErrorSink& errors,
                 RuntimeControl& runtime, GameParts& parts);

    // The real part of the expression; 0 for an empty text. An error is reported as
    // "in expression at pos P: MESSAGE"; the value is then whatever evaluation had reached.
    double EvaluateReal(CInstance& self, CInstance& other, const CTokenList& tokens,
                        const std::string& text);
    // The string part of the expression; empty for an empty text.
    std::string EvaluateString(CInstance& self, CInstance& other, const CTokenList& tokens,
                               const std::string& text);
    // Runs the first statement (normally a block) of the code; the rest is never looked at.
    // An error is reported as "in code at line L pos P: MESSAGE".
    void ExecuteCode(CInstance& self, CInstance& other, const CTokenList& tokens,
                     const std::string& text);

private:
    void ReportError(bool inCode);

    Running running_;
    GameErrorSink& errors_;
};

} // namespace velkaro
