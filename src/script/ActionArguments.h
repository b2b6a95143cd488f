#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace velkaro {

// How an action reads each of its four arguments.
enum class ArgumentKind {
    Unused,     // not read, or read as plain characters (a direction grid, a sound number)
    Expression, // evaluated as a number
    Text,       // shown as typed, or evaluated as a string when it begins with a quote
    Code,       // run as a piece of code
    Font,       // a font description
};

using ActionArgumentKinds = std::array<ArgumentKind, 4>;

// The kinds of the arguments of action `id`; all Unused for an id no action has.
ActionArgumentKinds ArgumentKindsOf(std::int32_t id);

// Whether a text argument is evaluated: it begins with an apostrophe or a double quote.
bool IsQuotedText(const std::string_view text);

} // namespace velkaro
