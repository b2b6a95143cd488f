#pragma once

#include "base/VariableClass.h"

#include <array>
#include <cassert>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velkaro {

class CInstance;
struct GameParts;
struct GameState;

// No call passes more arguments than this; the evaluator stops at ten.
constexpr int kMaxFunctionArguments = 10;

// The arguments of a call, where the caller evaluated them.
using FunctionArguments = std::span<const RValue>;

// What a built-in function can reach besides its two instances.
//
// Handlers are plain functions without state of their own; whatever they share with the rest
// of the game (the random generator, the open file...) lives in the running game's GameState,
// reached through `game`, and the parts that act on the game (rooms, drawing, events, the
// shell's services) are reached through `parts`, so that nothing needs a global and a test can
// run a handler on a game of its own. The parts are defined by the engine: the interpreter
// only hands them on.
//
// A handler whose arithmetic fails (the square root of a negative number, an overflow...)
// calls Fail instead of producing a NaN or an infinity. CallFunction then hands back the
// real 0, and the evaluator turns `error` into the report of the expression it evaluates.
struct FunctionContext {
    FunctionContext(GameState& runningGame, GameParts& gameParts)
        : game(runningGame), parts(gameParts) {}

    GameState& game;
    GameParts& parts;
    // Empty while the current call has not failed.
    std::string error;

    void Fail(std::string message) {
        if (error.empty()) {
            error = std::move(message);
        }
    }
    bool Failed() const { return !error.empty(); }
};

// The shape every built-in function has. `self` is the instance whose code runs, `other` the
// instance that code knows as other; the first `argumentCount` arguments hold the evaluated
// arguments in source order (the registry guarantees the count the function was registered
// with). `result` arrives as the real 0; a function without a result leaves it alone. The
// arguments are the caller's copy, read-only, so no handler can change the caller's values.
using FunctionHandler = void (*)(FunctionContext& context, CInstance& self, CInstance& other,
                                 int argumentCount, const FunctionArguments& arguments,
                                 RValue& result);

struct RFunction {
    std::string name;
    FunctionHandler handler = nullptr;
    int argumentCount = 0;
};

// The built-in functions by name. Filled once at start-up, read-only afterwards; entries are
// numbered from 1 in registration order and the tokenizer stores that number in call tokens.
class CFunctionRegistry {
public:
    static constexpr int kCapacity = 1000;

    // Appends an entry; a full registry drops it silently.
    void RegisterFunction(std::string name, FunctionHandler handler, int argumentCount);

    // The number of the first entry with exactly that name (case-sensitive); -1 when none.
    int FindFunction(std::string_view name) const;
    // The registered argument count of entry `index`; -1 outside 1..Count().
    int GetFunctionArgCount(int index) const;
    // Runs entry `index` on `result`, made the real 0 first. False, with nothing
    // run, when the index is outside 1..Count() or the argument count is not the entry's.
    //
    // The call clears context.error first. When the handler fails, or leaves a real result
    // that is NaN or infinite, context.error holds the reason afterwards and `result` is the
    // real 0; the call still counts as made (true).
    bool CallFunction(int index, FunctionContext& context, CInstance& self, CInstance& other,
                      int argumentCount, const FunctionArguments& arguments, RValue& result) const;

    int Count() const { return static_cast<int>(entries_.size()); }
    // Entry i, 1 <= i <= Count().
    const RFunction& Get(int i) const {
        assert(i >= 1 && i <= Count());
        return entries_[static_cast<std::size_t>(i - 1)];
    }

private:
    std::vector<RFunction> entries_;
};

} // namespace velkaro
