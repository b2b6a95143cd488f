#include "script/FunctionUnit.h"

#include "base/NumberText.h"

#include <cmath>
#include <utility>

namespace velkaro {

void CFunctionRegistry::RegisterFunction(std::string name, FunctionHandler handler,
                                         int argumentCount) {
    if (Count() >= kCapacity) {
        return;
    }
    entries_.push_back(RFunction{std::move(name), handler, argumentCount});
}

int CFunctionRegistry::FindFunction(std::string_view name) const {
    for (int i = 1; i <= Count(); ++i) {
        if (Get(i).name == name) {
            return i;
        }
    }
    return -1;
}

int CFunctionRegistry::GetFunctionArgCount(int index) const {
    if (index < 1 || index > Count()) {
        return -1;
    }
    return Get(index).argumentCount;
}

bool CFunctionRegistry::CallFunction(int index, FunctionContext& context, CInstance& self,
                                     CInstance& other, int argumentCount,
                                     const FunctionArguments& arguments, RValue& result) const {
    if (GetFunctionArgCount(index) != argumentCount) {
        return false;
    }
    const RFunction& function = Get(index);
    context.error.clear();
    // Made fresh in place: the real 0, keeping the string's storage.
    result.kind = kRealValue;
    result.real = 0;
    result.string.clear();
    function.handler(context, self, other, argumentCount, arguments, result);
    // The last guard against a NaN or an infinity reaching game variables, whatever table the
    // function comes from.
    if (!context.Failed() && result.IsReal() && !std::isfinite(result.real)) {
        context.Fail("Function " + function.name + " gave no valid number (" +
                     NumberForMessage(result.real) + ").");
    }
    if (context.Failed()) {
        result = RValue();
    }
    return true;
}

} // namespace velkaro
