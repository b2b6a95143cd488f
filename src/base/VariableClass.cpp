#include "base/VariableClass.h"

#include <cassert>
#include <utility>

namespace velkaro {

RValue CVariable::Get(std::int64_t index) const {
    if (index < 0 || static_cast<std::uint64_t>(index) >= reals_.size()) {
        return RValue();
    }
    const auto slot = static_cast<std::size_t>(index);
    const std::uint8_t form = forms_[slot];
    return RValue((form & kIsString) != 0 ? kStringValue : kRealValue, reals_[slot],
                  (form & kHasString) != 0 ? strings_[slot] : std::string());
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
            forms_.resize(slot + 1, 0);
            if (!strings_.empty()) {
                strings_.resize(slot + 1);
            }
        } catch (...) {
            reals_.resize(before);
            forms_.resize(before);
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
    assert(value.kind == kRealValue || value.kind == kStringValue);
    std::uint8_t form = value.kind == kStringValue ? kIsString : 0;
    if (!value.string.empty()) {
        if (strings_.empty()) {
            strings_.resize(reals_.size());
        }
        strings_[slot] = std::move(value.string);
        form |= kHasString;
    } else if ((forms_[slot] & kHasString) != 0) {
        strings_[slot].clear();
    }
    reals_[slot] = value.real;
    forms_[slot] = form;
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

template <typename Accept>
std::size_t CVariableList::Search(std::uint64_t key, Accept accept) const {
    if (indexBits_ == 0) {
        for (std::size_t i = 0; i < entries_.size(); ++i) {
            if (entries_[i].key == key && accept(*entries_[i].variable)) {
                return i;
            }
        }
        return kNowhere;
    }
    const std::size_t mask = index_.size() - 1;
    for (std::size_t place = Place(key);; place = (place + 1) & mask) {
        const std::uint32_t number = index_[place];
        if (number == 0) {
            return kNowhere;
        }
        const Entry& entry = entries_[number - 1];
        if (entry.key == key && accept(*entry.variable)) {
            return number - 1;
        }
    }
}

const CVariable* CVariableList::FindLong(std::string_view name, std::uint64_t key) const {
    // Long names may share a key: every variable of the key is compared by name.
    const std::size_t found =
        Search(key, [name](const CVariable& variable) { return variable.Name() == name; });
    return found == kNowhere ? nullptr : entries_[found].variable.get();
}

const CVariable* CVariableList::FindIndexed(std::uint64_t key) const {
    const std::size_t found = Search(key, [](const CVariable&) { return true; });
    return found == kNowhere ? nullptr : entries_[found].variable.get();
}

CVariable* CVariableList::Locate(std::uint32_t& position, std::string_view name,
                                 std::uint64_t key) {
    const bool whole = KeyHoldsWholeName(key);
    const std::size_t found = Search(
        key, [whole, name](const CVariable& variable) { return whole || variable.Name() == name; });
    if (found == kNowhere) {
        return nullptr;
    }
    position = static_cast<std::uint32_t>(found);
    return entries_[found].variable.get();
}

void CVariableList::Index(std::size_t entry) {
    const std::size_t mask = index_.size() - 1;
    std::size_t place = Place(entries_[entry].key);
    while (index_[place] != 0) {
        place = (place + 1) & mask;
    }
    index_[place] = static_cast<std::uint32_t>(entry + 1);
}

CVariable* CVariableList::Add(std::string_view name, std::uint64_t key) {
    // Whatever allocation fails, the list and its index stay as they were.
    const std::size_t count = entries_.size() + 1;
    std::vector<std::uint32_t> grown;
    int grownBits = indexBits_;
    if (count > kIndexedFrom && 2 * count > index_.size()) {
        grownBits = 4;
        while ((std::size_t{1} << grownBits) < 4 * count) {
            ++grownBits;
        }
        grown.assign(std::size_t{1} << grownBits, 0);
    }
    entries_.push_back(Entry{key, std::make_unique<CVariable>(std::string(name))});
    if (!grown.empty()) {
        index_ = std::move(grown);
        indexBits_ = grownBits;
        for (std::size_t entry = 0; entry < entries_.size(); ++entry) {
            Index(entry);
        }
    } else if (!index_.empty()) {
        Index(entries_.size() - 1);
    }
    return entries_.back().variable.get();
}

void CVariableList::SetValue(std::string_view name, std::uint64_t key, RValue value,
                             std::int64_t index) {
    CVariable* variable = FindMutable(name, key);
    if (variable == nullptr) {
        variable = Add(name, key);
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
