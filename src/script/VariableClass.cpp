#include "script/VariableClass.h"

#include <cmath>
#include <utility>

namespace velkaro {
namespace {

constexpr double kTwoTo63 = 9223372036854775808.0;

const RValue kRealZero{};

} // namespace

bool FitsRoundedInteger(double value) {
    // Written so that NaN fails too.
    return std::fabs(value) < kTwoTo63;
}

std::int64_t RoundToInteger(double value) {
    if (!FitsRoundedInteger(value)) {
        return INT64_MIN;
    }
    // value - floor(value) is exact for every double, so the tie test is exact as well.
    double whole = std::floor(value);
    double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) {
        whole += 1.0;
    }
    return static_cast<std::int64_t>(whole);
}

const RValue& CVariable::Get(std::int64_t index) const {
    if (index < 0 || index >= Length()) {
        return kRealZero;
    }
    return values_[static_cast<std::size_t>(index)];
}

void CVariable::Set(std::int64_t index, RValue value) {
    if (index < 0 || index >= kMaxElements) {
        return;
    }
    auto slot = static_cast<std::size_t>(index);
    if (slot >= values_.size()) {
        values_.resize(slot + 1);
    }
    values_[slot] = std::move(value);
}

const CVariable* CVariableList::Find(std::string_view name) const {
    for (const auto& variable : variables_) {
        if (variable->Name() == name) {
            return variable.get();
        }
    }
    return nullptr;
}

CVariable* CVariableList::FindMutable(std::string_view name) {
    return const_cast<CVariable*>(std::as_const(*this).Find(name));
}

void CVariableList::SetValue(std::string_view name, RValue value, std::int64_t index) {
    CVariable* variable = FindMutable(name);
    if (variable == nullptr) {
        variable = variables_.emplace_back(std::make_unique<CVariable>(std::string(name))).get();
    }
    variable->Set(index, std::move(value));
}

bool CVariableList::GetValue(std::string_view name, std::int64_t index, RValue& value) const {
    const CVariable* variable = Find(name);
    if (variable == nullptr) {
        return false;
    }
    value = variable->Get(index);
    return true;
}

} // namespace velkaro
