#include "base/VariableClass.h"

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
    // From 2^52 up every double is a whole number.
    if (std::fabs(value) >= 4503599627370496.0) {
        return static_cast<std::int64_t>(value);
    }
    // Integer steps rather than floor and fmod, which are library calls: this runs for every
    // loop condition and index. The conversion truncates towards zero; one step down makes it
    // the floor, and value - floor(value) is exact, so the tie test is exact as well.
    std::int64_t whole = static_cast<std::int64_t>(value);
    if (static_cast<double>(whole) > value) {
        --whole;
    }
    const double fraction = value - static_cast<double>(whole);
    if (fraction > 0.5 || (fraction == 0.5 && (whole & 1) != 0)) {
        ++whole;
    }
    return whole;
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

void CVariable::SetNumber(std::int64_t index, double number) {
    if (index < 0 || index >= kMaxElements) {
        return;
    }
    auto slot = static_cast<std::size_t>(index);
    if (slot >= values_.size()) {
        values_.resize(slot + 1);
    }
    RValue& value = values_[slot];
    value.kind = kRealValue;
    value.real = number;
    value.string.clear();
}

namespace {

// Names are short: a byte loop beats a call of memcmp for each variable passed over.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

const CVariable* CVariableList::Find(std::string_view name) const {
    for (const auto& variable : variables_) {
        if (SameName(variable->Name(), name)) {
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
