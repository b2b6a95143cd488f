#pragma once

#include "base/Limits.h"

#include <cassert>
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
bool FitsRoundedInteger(double value);

// The nearest integer, halves going to the even neighbour (2.5 gives 2, -2.5 gives -2). The
// rounding does not depend on the floating-point environment. A value that does not fit
// (see FitsRoundedInteger) gives INT64_MIN, the processor's "integer indefinite"; code that
// must report such a value checks FitsRoundedInteger first.
std::int64_t RoundToInteger(double value);

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

// One named variable: an array of values that grows on write.
class CVariable {
public:
    static constexpr std::int64_t kMaxElements = 32000;

    explicit CVariable(std::string name) : name_(std::move(name)) {}

    const std::string& Name() const { return name_; }
    std::int64_t Length() const { return static_cast<std::int64_t>(values_.size()); }

    // The element, or the real 0 for an index the array does not have.
    const RValue& Get(std::int64_t index) const {
        if (index < 0 || static_cast<std::uint64_t>(index) >= values_.size()) {
            return RealZero();
        }
        return values_[static_cast<std::size_t>(index)];
    }
    // Indexes outside 0..kMaxElements-1 are dropped silently: games rely on that.
    void Set(std::int64_t index, RValue value);
    // Set with a number, without building a value first.
    void SetNumber(std::int64_t index, double number);

private:
    static const RValue& RealZero();

    std::string name_;
    std::vector<RValue> values_ = std::vector<RValue>(1);
};

// Variables looked up by exact, case-sensitive name, kept in order of creation.
class CVariableList {
public:
    // Creates the variable when absent; never fails.
    void SetValue(std::string_view name, RValue value, std::int64_t index);
    // False when no variable has the name; otherwise the element (the real 0 outside the array).
    bool GetValue(std::string_view name, std::int64_t index, RValue& value) const;

    // The variable of that name, null when there is none. `key` is NameKey(name).
    const CVariable* Find(std::string_view name) const { return Find(name, NameKey(name)); }
    const CVariable* Find(std::string_view name, std::uint64_t key) const {
        for (std::size_t i = 0; i < keys_.size(); ++i) {
            if (keys_[i] == key) {
                if (KeyHoldsWholeName(key)) {
                    return variables_[i].get();
                }
                return FindLong(name, key, i);
            }
        }
        return nullptr;
    }
    CVariable* FindMutable(std::string_view name, std::uint64_t key) {
        return const_cast<CVariable*>(std::as_const(*this).Find(name, key));
    }
    CVariable* FindMutable(std::string_view name) { return FindMutable(name, NameKey(name)); }

    int Count() const { return static_cast<int>(variables_.size()); }
    // Variable i in creation order, 1 <= i <= Count().
    const CVariable& Get(int i) const {
        assert(i >= 1 && i <= Count());
        return *variables_[static_cast<std::size_t>(i - 1)];
    }

    void Clear() {
        variables_.clear();
        keys_.clear();
    }

private:
    // Find for a name too long to be held in its key, from the first variable with its key.
    const CVariable* FindLong(std::string_view name, std::uint64_t key, std::size_t from) const;

    std::vector<std::unique_ptr<CVariable>> variables_;
    // The variables' NameKeys, in the same order: a search reads these alone.
    std::vector<std::uint64_t> keys_;
};

} // namespace velkaro
