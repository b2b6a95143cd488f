#pragma once

#include "base/Limits.h"

#include <cassert>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velkaro {

enum RValueKind : std::int32_t {
    kRealValue = 0,
    kStringValue = 1,
};

// A script value. Both parts always exist: operators and functions read whichever part they
// expect, whatever the kind says, so a string still carries a real part (normally 0).
struct RValue {
    std::int32_t kind = kRealValue;
    double real = 0.0;
    std::string string;

    RValue() = default;
    RValue(std::int32_t valueKind, double realPart, std::string stringPart)
        : kind(valueKind), real(realPart), string(std::move(stringPart)) {}
    // Values are copied and moved all the time and are mostly numbers with an empty string
    // part: copies and moves leave the string alone then, which the interpreter's speed
    // depends on.
    RValue(const RValue& other) : kind(other.kind), real(other.real) {
        if (!other.string.empty()) {
            string = other.string;
        }
    }
    RValue& operator=(const RValue& other) {
        kind = other.kind;
        real = other.real;
        if (other.string.empty()) {
            string.clear();
        } else {
            string = other.string;
        }
        return *this;
    }
    RValue(RValue&& other) noexcept : kind(other.kind), real(other.real) {
        if (!other.string.empty()) {
            string = std::move(other.string);
        }
    }
    RValue& operator=(RValue&& other) noexcept {
        kind = other.kind;
        real = other.real;
        if (other.string.empty()) {
            string.clear();
        } else {
            string = std::move(other.string);
        }
        return *this;
    }

    static RValue Real(double value) { return RValue(kRealValue, value, {}); }
    static RValue String(std::string value) { return RValue(kStringValue, 0.0, std::move(value)); }

    bool IsReal() const { return kind == kRealValue; }
    bool IsString() const { return kind == kStringValue; }
    // Game code treats anything above one half as true, strings included.
    bool IsTrue() const { return real > 0.5; }

    friend bool operator==(const RValue&, const RValue&) = default;
};

// Whether strings of these lengths joined stay within the longest string game code may build.
inline bool JoinedFits(std::size_t first, std::size_t second) {
    return first <= limits::kStringLength && second <= limits::kStringLength - first;
}

// Truth results are always the reals 1 and 0.
inline double TruthValue(bool truth) {
    return truth ? 1.0 : 0.0;
}

// Whether RoundToInteger can represent the rounded value: finite and below 2^63 in magnitude.
inline bool FitsRoundedInteger(double value) {
    // Written so that NaN fails too.
    return std::fabs(value) < 9223372036854775808.0;
}

// The nearest integer, halves going to the even neighbour (2.5 gives 2, -2.5 gives -2). The
// rounding does not depend on the floating-point environment. A value that does not fit
// (see FitsRoundedInteger) gives INT64_MIN, the processor's "integer indefinite"; code that
// must report such a value checks FitsRoundedInteger first.
inline std::int64_t RoundToInteger(double value) {
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

// The low 32 bits of a 64-bit integer, as integer targets of 32 bits take them.
inline std::int32_t Low32(std::int64_t value) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Whether RoundToInteger(value) > 0, without rounding: loops test their conditions so.
inline bool RoundsAboveZero(double value) {
    return value > 0.5 && value < 9223372036854775808.0;
}

inline std::int32_t RoundToInt32(double value) {
    return Low32(RoundToInteger(value));
}

// A variable's name as lists compare it. Names of up to seven bytes, nearly all of them, are
// packed whole into the key with their length, so that equal keys are equal names; longer ones
// are hashed, with the top bit set, and equal keys are then checked by the names themselves.
// Game code works its names' keys out once, when it is compiled.
std::uint64_t NameKey(std::string_view name);

inline bool KeyHoldsWholeName(std::uint64_t key) {
    return (key >> 63) == 0;
}

// One named variable: an array of values that grows on write. The elements are kept in parts,
// real parts apart from kinds and string parts, so that arrays of numbers take 9 bytes an
// element and string parts cost nothing until an element has one.
class CVariable {
public:
    static constexpr std::int64_t kMaxElements = 32000;

    explicit CVariable(std::string name) : name_(std::move(name)) {}

    const std::string& Name() const { return name_; }
    std::int64_t Length() const { return static_cast<std::int64_t>(reals_.size()); }

    // The element, or the real 0 for an index the array does not have.
    RValue Get(std::int64_t index) const;
    // The same into `value`, whose string keeps its storage.
    void Load(std::int64_t index, RValue& value) const {
        if (index < 0 || static_cast<std::uint64_t>(index) >= reals_.size()) {
            value.kind = kRealValue;
            value.real = 0;
            value.string.clear();
            return;
        }
        const auto slot = static_cast<std::size_t>(index);
        const std::uint8_t form = forms_[slot];
        value.kind = (form & kIsString) != 0 ? kStringValue : kRealValue;
        value.real = reals_[slot];
        if ((form & kHasString) != 0) {
            value.string = strings_[slot];
        } else {
            value.string.clear();
        }
    }
    // Whether the element is a plain number (a real without a string part; so is an index the
    // array does not have), with its real part.
    [[gnu::always_inline]] bool GetNumber(std::int64_t index, double& number) const {
        if (index < 0 || static_cast<std::uint64_t>(index) >= reals_.size()) {
            number = 0;
            return true;
        }
        const auto slot = static_cast<std::size_t>(index);
        number = reals_[slot];
        return forms_[slot] == 0;
    }
    // Indexes outside 0..kMaxElements-1 are dropped silently: games rely on that.
    void Set(std::int64_t index, RValue value);
    // Set with a number, without building a value first.
    [[gnu::always_inline]] void SetNumber(std::int64_t index, double number) {
        std::size_t slot = static_cast<std::size_t>(index);
        if ((index >= 0 && slot < reals_.size()) || Slot(index, slot)) {
            reals_[slot] = number;
            if (forms_[slot] & kHasString) {
                strings_[slot].clear();
            }
            forms_[slot] = 0;
        }
    }

private:
    // The slot of a writable index, the array grown to hold it; false for one outside the range.
    bool Slot(std::int64_t index, std::size_t& slot);

    std::string name_;
    std::vector<double> reals_ = std::vector<double>(1);
    // Per element: kIsString when its kind is a string, kHasString when its string part is not
    // empty; 0 is a plain number.
    static constexpr std::uint8_t kIsString = 1;
    static constexpr std::uint8_t kHasString = 2;
    std::vector<std::uint8_t> forms_ = std::vector<std::uint8_t>(1, 0);
    // Empty while no element has had a string part, then as long as the others.
    std::vector<std::string> strings_;
};

// Variables looked up by exact, case-sensitive name, kept in order of creation.
class CVariableList {
public:
    // Creates the variable when absent; never fails.
    void SetValue(std::string_view name, RValue value, std::int64_t index) {
        SetValue(name, NameKey(name), std::move(value), index);
    }
    // The same with the name's key worked out already.
    void SetValue(std::string_view name, std::uint64_t key, RValue value, std::int64_t index);
    // False when no variable has the name; otherwise the element (the real 0 outside the array).
    bool GetValue(std::string_view name, std::int64_t index, RValue& value) const;

    // The variable of that name, null when there is none. `key` is NameKey(name).
    const CVariable* Find(std::string_view name) const { return Find(name, NameKey(name)); }
    const CVariable* Find(std::string_view name, std::uint64_t key) const {
        return KeyHoldsWholeName(key) ? Find(key) : FindLong(name, key);
    }
    // The variable of a name held whole in `key`.
    const CVariable* Find(std::uint64_t key) const {
        assert(KeyHoldsWholeName(key));
        if (indexBits_ != 0) {
            return FindIndexed(key);
        }
        for (const Entry& entry : entries_) {
            if (entry.key == key) {
                return entry.variable.get();
            }
        }
        return nullptr;
    }
    CVariable* FindMutable(std::string_view name, std::uint64_t key) {
        return const_cast<CVariable*>(std::as_const(*this).Find(name, key));
    }
    CVariable* FindMutable(std::string_view name) { return FindMutable(name, NameKey(name)); }

    // The same through a remembered position in creation order: the variable there is taken
    // when it has the name, and the position is learnt afresh when not. Code keeps a position
    // for each place that names a variable; the instances of one object mostly create their
    // variables in the same order, so that one position serves them all.
    CVariable* FindFrom(std::uint32_t& position, std::string_view name, std::uint64_t key) {
        if (position < entries_.size()) {
            const Entry& entry = entries_[position];
            if (entry.key == key && (KeyHoldsWholeName(key) || entry.variable->Name() == name)) {
                return entry.variable.get();
            }
        }
        return Locate(position, name, key);
    }
    // Only the remembered position, for names held whole in their keys: null when the variable
    // is not there.
    CVariable* AtPosition(std::uint32_t position, std::uint64_t key) const {
        if (position < entries_.size() && entries_[position].key == key && KeyHoldsWholeName(key)) {
            return entries_[position].variable.get();
        }
        return nullptr;
    }
    // The variable, created when absent, and its position.
    CVariable& FindOrAddFrom(std::uint32_t& position, std::string_view name, std::uint64_t key) {
        if (CVariable* found = FindFrom(position, name, key)) {
            return *found;
        }
        CVariable& added = *Add(name, key);
        position = static_cast<std::uint32_t>(entries_.size() - 1);
        return added;
    }

    int Count() const { return static_cast<int>(entries_.size()); }
    // Variable i in creation order, 1 <= i <= Count().
    const CVariable& Get(int i) const {
        assert(i >= 1 && i <= Count());
        return *entries_[static_cast<std::size_t>(i - 1)].variable;
    }

    void Clear() {
        entries_.clear();
        index_.clear();
        indexBits_ = 0;
    }

private:
    // A variable with its NameKey beside it: a search reads the keys and, on a match, the
    // pointer next to it.
    struct Entry {
        std::uint64_t key;
        std::unique_ptr<CVariable> variable;
    };

    // Lists of more variables than this also keep an index of their keys (open addressing,
    // at most half full); shorter ones are searched in order, which is quicker there.
    static constexpr std::size_t kIndexedFrom = 8;

    // Find for a name too long to be held in its key.
    const CVariable* FindLong(std::string_view name, std::uint64_t key) const;
    // Find of a whole-name key in a list long enough to keep an index.
    const CVariable* FindIndexed(std::uint64_t key) const;
    // The position of the first variable of `key` that `accept` takes, through the index when
    // there is one; kNowhere when none.
    static constexpr std::size_t kNowhere = SIZE_MAX;
    template <typename Accept> std::size_t Search(std::uint64_t key, Accept accept) const;
    CVariable* Locate(std::uint32_t& position, std::string_view name, std::uint64_t key);
    CVariable* Add(std::string_view name, std::uint64_t key);
    // Where the index begins to look for `key`.
    std::size_t Place(std::uint64_t key) const {
        assert(indexBits_ > 0);
        return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> (64 - indexBits_));
    }
    void Index(std::size_t entry);

    std::vector<Entry> entries_;
    // Entry numbers from 1 (0 is an empty place), by Place of their keys; 2^indexBits_ places.
    std::vector<std::uint32_t> index_;
    int indexBits_ = 0;
};

} // namespace velkaro
