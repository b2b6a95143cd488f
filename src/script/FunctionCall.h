#pragma once

#include "base/NumberText.h"
#include "base/VariableClass.h"
#include "script/FunctionUnit.h"
#include "world/GameState.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace velkaro {

// One call of a built-in function, as its handler sees it: the running game, self and other,
// the arguments read the way every function reads them, and the result. Each table derives
// the helpers of its own field from it.
class FunctionCall {
public:
    FunctionCall(FunctionContext& context, CInstance& self, CInstance& other, const char* name,
                 int argumentCount, const FunctionArguments& arguments, RValue& result)
        : context_(context), self_(self), other_(other), name_(name), count_(argumentCount),
          arguments_(arguments), result_(result) {}

    GameState& Game() { return context_.game; }
    // The running game's parts; the tables that use them include the engine's definition.
    GameParts& Parts() { return context_.parts; }
    FunctionContext& Context() { return context_; }
    CInstance& Self() { return self_; }
    CInstance& Other() { return other_; }
    const char* Name() const { return name_; }
    int ArgumentCount() const { return count_; }

    // A number argument reads the real part, a text argument the string part, whatever the
    // value's kind.
    const RValue& Argument(int i) const { return arguments_[static_cast<std::size_t>(i)]; }
    double Number(int i) const { return Argument(i).real; }
    const std::string& Text(int i) const { return Argument(i).string; }
    // The rounded integer (halves to even), and its low 32 bits for 32-bit operations.
    std::int64_t Integer(int i) const { return RoundToInteger(Number(i)); }
    std::int32_t Integer32(int i) const { return Low32(Integer(i)); }

    // The rounded integer, for functions that must not work with the value a number too large
    // to round gives: false, with the call failed, in that case.
    bool CheckedInteger(int i, std::int64_t& value) {
        if (!FitsRoundedInteger(Number(i))) {
            context_.Fail(std::string("Argument of ") + name_ +
                          " is out of range: " + NumberForMessage(Number(i)));
            return false;
        }
        value = Integer(i);
        return true;
    }
    bool CheckedInteger32(int i, std::int32_t& value) {
        std::int64_t wide = 0;
        if (!CheckedInteger(i, wide)) {
            return false;
        }
        value = Low32(wide);
        return true;
    }

    void Return(double value) {
        result_.kind = kRealValue;
        result_.real = value;
        result_.string.clear();
    }
    void ReturnTruth(bool truth) { Return(TruthValue(truth)); }
    void ReturnString(std::string text) { result_ = RValue::String(std::move(text)); }
    void ReturnValue(RValue value) { result_ = std::move(value); }

private:
    FunctionContext& context_;
    CInstance& self_;
    CInstance& other_;
    const char* name_;
    int count_;
    const FunctionArguments& arguments_;
    RValue& result_;
};

// An entry of a table whose functions share the call object `Call`.
template <typename Call> struct FunctionEntry {
    const char* name;
    int argumentCount;
    void (*run)(Call&);
};

// The handler the registry holds for entry I of `table`: it makes the table's call object and
// runs the entry with it.
template <typename Call, const auto& table, std::size_t I>
void RunTableEntry(FunctionContext& context, CInstance& self, CInstance& other, int argumentCount,
                   const FunctionArguments& arguments, RValue& result) {
    Call call(context, self, other, table[I].name, argumentCount, arguments, result);
    table[I].run(call);
}

// Registers every entry of `table` (each with `name`, `argumentCount` and `run`, which takes a
// `Call&`) in order.
template <typename Call, const auto& table> void RegisterTable(CFunctionRegistry& registry) {
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        (registry.RegisterFunction(table[I].name, &RunTableEntry<Call, table, I>,
                                   table[I].argumentCount),
         ...);
    }
    (std::make_index_sequence<std::size(table)>());
}

} // namespace velkaro
