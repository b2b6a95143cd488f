#pragma once

#include "base/VariableClass.h"

#include <cstdint>
#include <string_view>

namespace velkaro {

class CInstance;
class RuntimeControl;
struct GameState;

// Reading and writing a variable that a token names: `owner` is the token's owner code,
// `number` its variable number, `name` the name user variables are found by. The index only
// matters to user variables; built-in variables, sounds and object names ignore it.
//
// Owners: 0 a built-in game variable (numbers 1..999) or else a variable of self; self;
// other; global (the global user variables, whatever the name); sound (the sound's number,
// read-only); a bare name (its number, read-only); n >= 1 the live instances of object n.

// The value, or false when there is none to read (a user variable never written, a sound
// that does not exist, an object without live instances). `value` starts as the real 0.
bool GetVariable(const GameState& game, const CInstance& self, const CInstance& other,
                 std::int32_t owner, std::int32_t number, std::string_view name, std::int64_t index,
                 RValue& value);

// False when the variable cannot be written (a read-only built-in, a sound, a bare name).
// Writing to object n writes every live instance of it and succeeds when there is none.
// Writing the room or the screen mode asks `runtime`, which decides what happens.
bool SetVariable(GameState& game, RuntimeControl& runtime, CInstance& self, CInstance& other,
                 std::int32_t owner, std::int32_t number, std::string_view name, std::int64_t index,
                 const RValue& value);

// Built-in variables by their numbers, for code that worked out at compile time which one a
// name means: those of an instance (1001..1033) and those of the game (1..34). Reads give
// false for numbers no built-in has; writes also for the read-only ones. Writing the room or
// the screen mode asks `runtime`.
bool ReadInstanceVariable(const CInstance& instance, std::int32_t number, RValue& value);
bool WriteInstanceVariable(CInstance& instance, std::int32_t number, const RValue& value);
bool ReadGameVariable(const GameState& game, std::int32_t number, RValue& value);
bool WriteGameVariable(GameState& game, RuntimeControl& runtime, std::int32_t number,
                       const RValue& value);

// Whether built-in variable `number` (a game variable 1..34 or an instance variable 1001..1033)
// can be written: false for the read-only ones (roomwidth, image_width, object...), whose
// writing SetVariable refuses, and for numbers no built-in has.
bool IsWritableBuiltIn(std::int32_t number);

} // namespace velkaro
