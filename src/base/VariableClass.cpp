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

const RValue& CVariable::RealZero() {
    return kRealZero;
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

std::uint64_t NameKey(std::string_view name) {
    constexpr std::size_t kPacked = 7;
    if (name.size() <= kPacked) {
        std::uint64_t key = static_cast<std::uint64_t>(name.size()) << 56;
        for (std::size_t i = 0; i < name.size(); ++i) {
            key |= static_cast<std::uint64_t>(static_cast<unsigned char>(name[i])) << (8 * i);
        }
        return key;
    }
    // FNV-1a.
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    return hash | (std::uint64_t{1} << 63);
}

const CVariable* CVariableList::FindLong(std::string_view name, std::uint64_t key,
                                         std::size_t from) const {
    for (std::size_t i = from; i < keys_.size(); ++i) {
        if (keys_[i] == key && variables_[i]->Name() == name) {
            return variables_[i].get();
        }
    }
    return nullptr;
}

void CVariableList::SetValue(std::string_view name, RValue value, std::int64_t index) {
    const std::uint64_t key = NameKey(name);
    CVariable* variable = FindMutable(name, key);
    if (variable == nullptr) {
        // The two vectors stay in step when an allocation fails.
        auto created = std::make_unique<CVariable>(std::string(name));
        keys_.push_back(key);
        try {
            variables_.push_back(std::move(created));
        } catch (...) {
            keys_.pop_back();
            throw;
        }
        variable = variables_.back().get();
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
