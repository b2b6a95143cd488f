#pragma once

#include "data/CodeTree.h"
#include "script/FunctionUnit.h"

#include <string>

namespace velkaro {
class CInstance;
class GameErrorSink;
class RuntimeControl;
struct GameParts;
struct GameState;
} // namespace velkaro

namespace velkaro::test {

// Runs game code by walking its tree, the plainest way there is, as the meaning of the
// language reads: the generated instructions must do exactly what this does. It reports its
// errors as the interpreter does. Each run starts at `base` levels of nesting, as code run by a
// function from that deep does.
class TreeWalker {
public:
    TreeWalker(GameState& game, const CFunctionRegistry& functions, GameErrorSink& errors,
               RuntimeControl& runtime, GameParts& parts);

    RValue Evaluate(CInstance& self, CInstance& other, const CodeTree& code, int base = 0);
    void ExecuteCode(CInstance& self, CInstance& other, const CodeTree& code, int base = 0);

private:
    struct Run;

    RValue Evaluate(Run& run, std::int32_t node);
    RValue Operator(Run& run, const CodeNode& node);
    bool Apply(Run& run, NodeKind kind, const CodeLink& link, RValue& left, const RValue& right);
    RValue Factor(Run& run, const CodeNode& node);
    RValue VariableValue(Run& run, const CodeNode& node);
    bool ReadVariable(const Run& run, const CodeVariable& variable, std::int64_t index,
                      RValue& value);
    RValue FunctionCall(Run& run, const CodeNode& node);

    void Execute(Run& run, std::int32_t node);
    void Pass(Run& run, std::int32_t node);
    void Block(Run& run, const CodeNode& node);
    void Assignment(Run& run, const CodeNode& node);
    void IfStatement(Run& run, const CodeNode& node);
    void WhileStatement(Run& run, const CodeNode& node);
    void RepeatStatement(Run& run, const CodeNode& node);
    void ForallStatement(Run& run, const CodeNode& node);

    void RecordError(Run& run, const CodePoint& point, const std::string& message);
    void RecordError(Run& run, std::int32_t error);
    bool LoopGoesOn(Run& run, const CodePoint& point);
    void Report(bool inCode);

    GameState& game_;
    const CFunctionRegistry& functions_;
    GameErrorSink& errors_;
    RuntimeControl& runtime_;
    GameParts& parts_;
    bool failed_ = false;
    ScriptError error_;
    int loopPasses_ = 0;
};

} // namespace velkaro::test
