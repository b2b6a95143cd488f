#pragma once

// Calling built-in functions by name, as the interpreter calls them once it has evaluated the
// arguments.

#include "functions/FunctionTables.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <initializer_list>
#include <string>
#include <vector>

namespace velkaro::test {

// Calls `name` of `registry` with `values` for self and other. The call must reach the
// function; a failure of the function stays in `context`.
inline RValue CallByName(const CFunctionRegistry& registry, FunctionContext& context,
                         CInstance& self, CInstance& other, const std::string& name,
                         const std::vector<RValue>& values) {
    const int index = registry.FindFunction(name);
    EXPECT_GT(index, 0) << name;
    RValue result;
    EXPECT_TRUE(registry.CallFunction(index, context, self, other, static_cast<int>(values.size()),
                                      values, result))
        << name;
    return result;
}

inline std::vector<RValue> Reals(std::initializer_list<double> numbers) {
    std::vector<RValue> values;
    for (const double number : numbers) {
        values.push_back(RValue::Real(number));
    }
    return values;
}

} // namespace velkaro::test
