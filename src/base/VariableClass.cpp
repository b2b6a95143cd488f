#include "base/VariableClass.h"

#include <utility>

namespace velkaro {

RValue CVariable::Get(std::int64_t index) const {
    if (index < 0 || static_cast<std::uint64_t>(index) >= reals_.size()) {
        return RValue();
    }
    const auto slot = static_cast<std::size_t>(index);
    return RValue(kinds_[slot], reals_[slot], strings_.empty() ? std::string() : strings_[slot]);
}

bool CVariable::Slot(std::int64_t index, std::size_t& slot) {
    if (index < 0 || index >= kMaxElements) {
        return false;
    }
    slot = static_cast<std::size_t>(index);
    if (slot >= reals_.size()) {
        // The parts stay as long as each other when an allocation fails.
        const std::size_t before = reals_.size();
        try {
            reals_.resize(slot + 1);
            kinds_.resize(slot + 1, kRealValue);
            if (!strings_.empty()) {
                strings_.resize(slot + 1);
            }
        } catch (...) {
            reals_.resize(before);
            kinds_.resize(before);
            if (!strings_.empty()) {
                strings_.resize(before);
            }
            throw;
        }
    }
    return true;
}

void CVariable::Set(std::int64_t index, RValue value) {
    std::size_t slot = 0;
    if (!Slot(index, slot)) {
        return;
    }
    if (!value.string.empty() && strings_.empty()) {
        strings_.resize(reals_.size());
    }
    reals_[slot] = value.real;
    kinds_[slot] = value.kind;
    if (!strings_.empty()) {
        strings_[slot] = std::move(value.string);
    }
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

const CVariable* CVariableList::FindLong(std::string_view name, std::uint64_t key) const {
    for (const Entry& entry : entries_) {
        if (entry.key == key && entry.variable->Name() == name) {
            return entry.variable.get();
        }
    }
    return nullptr;
}

void CVariableList::SetValue(std::string_view name, RValue value, std::int64_t index) {
    const std::uint64_t key = NameKey(name);
    CVariable* variable = FindMutable(name, key);
    if (variable == nullptr) {
        variable = entries_.emplace_back(Entry{key, std::make_unique<CVariable>(std::string(name))})
                       .variable.get();
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
