#include "functions/MathFunctions.h"

#include "base/NumberText.h"
#include "script/FunctionCall.h"
#include "world/GameState.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

namespace velkaro {
namespace {

// Games were written for a processor that computes in extended precision and rounds only when
// a result is stored, so the arithmetic here is in long doubles: the four operations and the
// square root round alike on every processor, and results such as mean(a, b) of two huge
// numbers or logn(10, 1000) depend on the extra bits.
//
// The transcendental functions (sine, cosine, tangent and their inverses, exp, ln, log2, log10
// and power with a fractional exponent) are the C library's 64-bit ones instead, the same the
// motion code uses. Their extended versions rounded to 64 bits differ from them in the last
// bit for 0.03% to 0.24% of arguments (log10 more often, and by up to two units close to 1).
// The processors' own instructions for these functions differ between makers in exactly those
// bits, so no game can depend on them, and one rule for the whole player keeps code and motion
// in agreement.
using Extended = long double;

constexpr Extended kPi = 3.141592653589793238462643383279502884L;

// One call of a function of this table: reads the arguments the way every built-in function
// does (the real part for numbers, the string part for texts, whatever the kind) and turns
// a failed computation into a recorded error instead of a NaN or an infinity.
class MathCall : public FunctionCall {
public:
    using FunctionCall::FunctionCall;

    // Stores a result as the 64-bit real game code sees; a NaN means the arguments were
    // outside the function's domain, a value beyond the 64-bit range an overflow.
    void Return(Extended value) {
        if (std::isnan(value)) {
            InvalidArguments();
        } else if (std::fabs(value) > DBL_MAX) {
            Overflow();
        } else {
            FunctionCall::Return(static_cast<double>(value));
        }
    }
    void ReturnString(std::string text) {
        if (text.size() > limits::kStringLength) {
            TooLong();
            return;
        }
        FunctionCall::ReturnString(std::move(text));
    }

    // "Result of string_repeat is too long."
    void TooLong() { Context().Fail(std::string("Result of ") + Name() + " is too long."); }
    // "Invalid argument to sqrt: -4"
    void InvalidArguments() {
        std::string message = std::string("Invalid argument") + (ArgumentCount() > 1 ? "s" : "") +
                              " to " + Name() + ": ";
        for (int i = 0; i < ArgumentCount(); ++i) {
            message += (i > 0 ? ", " : "") + NumberForMessage(Number(i));
        }
        Context().Fail(std::move(message));
    }
    // "Overflow in exp(1000)"
    void Overflow() { Context().Fail("Overflow in " + CallText()); }
    // "Division by zero in power(0, -1)"
    void DivisionByZero() { Context().Fail("Division by zero in " + CallText()); }
    // "Argument of round is out of range: 1e+20"
    void OutOfRange(int i) {
        Context().Fail(std::string("Argument of ") + Name() +
                       " is out of range: " + NumberForMessage(Number(i)));
    }

private:
    std::string CallText() const {
        std::string text = std::string(Name()) + "(";
        for (int i = 0; i < ArgumentCount(); ++i) {
            text += (i > 0 ? ", " : "") + NumberForMessage(Number(i));
        }
        return text + ")";
    }
};

bool IsIntegral(double value) {
    return std::trunc(value) == value;
}

// Logarithms have no value at 0 and below; the processor reports that as an error rather
// than an infinity.
void Logarithm(MathCall& call, double (*log)(double)) {
    double x = call.Number(0);
    if (x <= 0) {
        call.InvalidArguments();
        return;
    }
    call.Return(log(x));
}

// Repeated squaring, in extended precision like the rest of the table.
Extended IntegerPower(Extended base, std::int64_t exponent) {
    Extended result = 1;
    while (exponent > 0) {
        if (exponent & 1) {
            result *= base;
        }
        exponent >>= 1;
        if (exponent > 0) {
            base *= base;
        }
    }
    return result;
}

void Power(MathCall& call) {
    double base = call.Number(0);
    double exponent = call.Number(1);
    if (exponent == 0) {
        call.Return(1);
    } else if (base == 0 && exponent > 0) {
        call.Return(0);
    } else if (IsIntegral(exponent) && std::fabs(exponent) <= 2147483647.0) {
        auto magnitude = static_cast<std::int64_t>(std::fabs(exponent));
        Extended raised = IntegerPower(base, magnitude);
        if (exponent > 0) {
            call.Return(raised);
        } else if (raised == 0) {
            call.DivisionByZero();
        } else {
            call.Return(1 / raised);
        }
    } else if (base <= 0) {
        call.InvalidArguments();
    } else {
        call.Return(std::pow(base, exponent));
    }
}

// The quotient of two extended logarithms, rounded once, is exact wherever x is a whole power
// of the base: logn(10, 1000) is 3, and floor(logn(10, n)) counts the digits of n. The 64-bit
// logarithms carry errors of the size of the quotient's last bit and give 2.9999999999999996
// there, so this function keeps the extended ones.
void LogarithmToBase(MathCall& call) {
    double base = call.Number(0);
    double x = call.Number(1);
    if (base <= 0 || base == 1 || x <= 0) {
        call.InvalidArguments();
        return;
    }
    call.Return(std::log(Extended{x}) / std::log(Extended{base}));
}

double Min(double a, double b) {
    return a < b ? a : b;
}
double Max(double a, double b) {
    return a > b ? a : b;
}

void RoundedToInt32(MathCall& call, double (*toWhole)(double)) {
    double whole = toWhole(call.Number(0));
    if (!(whole >= INT32_MIN && whole <= INT32_MAX)) {
        call.OutOfRange(0);
        return;
    }
    call.Return(whole);
}

void NumberToString(MathCall& call) {
    auto text = RealToString(call.Number(0), call.Game().decimal_separator);
    if (!text) {
        call.OutOfRange(0);
        return;
    }
    call.ReturnString(std::move(*text));
}

void Chr(MathCall& call) {
    std::int64_t code = 0;
    if (call.CheckedInteger(0, code)) {
        call.ReturnString(std::string(1, static_cast<char>(static_cast<std::uint8_t>(code))));
    }
}

void StringPos(MathCall& call) {
    const std::string& sub = call.Text(0);
    const std::string& text = call.Text(1);
    std::size_t at = sub.empty() ? std::string::npos : text.find(sub);
    call.Return(at == std::string::npos ? 0 : static_cast<Extended>(at + 1));
}

void StringCopy(MathCall& call) {
    const std::string& text = call.Text(0);
    std::int32_t index = 0;
    std::int32_t count = 0;
    if (!call.CheckedInteger32(1, index) || !call.CheckedInteger32(2, count)) {
        return;
    }
    std::int64_t start = index < 1 ? 0 : std::int64_t{index} - 1;
    if (start >= static_cast<std::int64_t>(text.size()) || count <= 0) {
        call.ReturnString("");
        return;
    }
    call.ReturnString(
        text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(count)));
}

void StringDelete(MathCall& call) {
    std::string text = call.Text(0);
    std::int32_t index = 0;
    std::int32_t count = 0;
    if (!call.CheckedInteger32(1, index) || !call.CheckedInteger32(2, count)) {
        return;
    }
    if (index >= 1 && index <= static_cast<std::int64_t>(text.size()) && count > 0) {
        text.erase(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
    }
    call.ReturnString(std::move(text));
}

void StringInsert(MathCall& call) {
    std::string text = call.Text(1);
    std::int32_t index = 0;
    if (!call.CheckedInteger32(2, index)) {
        return;
    }
    std::int64_t at = index < 1 ? 0 : std::int64_t{index} - 1;
    if (at > static_cast<std::int64_t>(text.size())) {
        at = static_cast<std::int64_t>(text.size());
    }
    if (!JoinedFits(text.size(), call.Text(0).size())) {
        call.TooLong();
        return;
    }
    text.insert(static_cast<std::size_t>(at), call.Text(0));
    call.ReturnString(std::move(text));
}

std::string ChangeCase(std::string text, char from, char to) {
    for (char& c : text) {
        if (c >= from && c <= from + ('z' - 'a')) {
            c = static_cast<char>(c - from + to);
        }
    }
    return text;
}

void StringRepeat(MathCall& call) {
    const std::string& text = call.Text(0);
    std::int32_t count = 0;
    if (!call.CheckedInteger32(1, count)) {
        return;
    }
    if (count <= 0 || text.empty()) {
        call.ReturnString("");
        return;
    }
    if (text.size() > limits::kStringLength / static_cast<std::size_t>(count)) {
        call.TooLong();
        return;
    }
    std::string repeated;
    repeated.reserve(text.size() * static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        repeated += text;
    }
    call.ReturnString(std::move(repeated));
}

// The order is the registration order, which fixes the function numbers.
constexpr FunctionEntry<MathCall> kMathFunctions[] = {
    {"random", 1, [](MathCall& c) { c.Return(c.Game().random.Next() * Extended{c.Number(0)}); }},
    {"abs", 1, [](MathCall& c) { c.Return(std::fabs(c.Number(0))); }},
    {"round", 1,
     [](MathCall& c) {
         std::int64_t whole = 0;
         if (c.CheckedInteger(0, whole)) {
             c.Return(static_cast<Extended>(whole));
         }
     }},
    {"floor", 1, [](MathCall& c) { RoundedToInt32(c, [](double x) { return std::floor(x); }); }},
    {"ceil", 1, [](MathCall& c) { RoundedToInt32(c, [](double x) { return std::ceil(x); }); }},
    {"sign", 1, [](MathCall& c) { c.Return(c.Number(0) > 0 ? 1 : -1); }},
    {"frac", 1, [](MathCall& c) { c.Return(c.Number(0) - std::trunc(c.Number(0))); }},
    {"sqrt", 1, [](MathCall& c) { c.Return(std::sqrt(Extended{c.Number(0)})); }},
    {"sqr", 1, [](MathCall& c) { c.Return(Extended{c.Number(0)} * c.Number(0)); }},
    {"exp", 1, [](MathCall& c) { c.Return(std::exp(c.Number(0))); }},
    {"ln", 1, [](MathCall& c) { Logarithm(c, [](double x) { return std::log(x); }); }},
    {"log2", 1, [](MathCall& c) { Logarithm(c, [](double x) { return std::log2(x); }); }},
    {"log10", 1, [](MathCall& c) { Logarithm(c, [](double x) { return std::log10(x); }); }},
    {"sin", 1, [](MathCall& c) { c.Return(std::sin(c.Number(0))); }},
    {"cos", 1, [](MathCall& c) { c.Return(std::cos(c.Number(0))); }},
    {"tan", 1, [](MathCall& c) { c.Return(std::tan(c.Number(0))); }},
    {"arcsin", 1, [](MathCall& c) { c.Return(std::asin(c.Number(0))); }},
    {"arccos", 1, [](MathCall& c) { c.Return(std::acos(c.Number(0))); }},
    {"arctan", 1, [](MathCall& c) { c.Return(std::atan(c.Number(0))); }},
    {"degtorad", 1, [](MathCall& c) { c.Return(Extended{c.Number(0)} * kPi / 180); }},
    {"radtodeg", 1, [](MathCall& c) { c.Return(Extended{c.Number(0)} * 180 / kPi); }},
    {"power", 2, Power},
    {"logn", 2, LogarithmToBase},
    {"min", 2, [](MathCall& c) { c.Return(Min(c.Number(0), c.Number(1))); }},
    {"max", 2, [](MathCall& c) { c.Return(Max(c.Number(0), c.Number(1))); }},
    {"min3", 3, [](MathCall& c) { c.Return(Min(c.Number(2), Min(c.Number(1), c.Number(0)))); }},
    {"max3", 3, [](MathCall& c) { c.Return(Max(c.Number(2), Max(c.Number(1), c.Number(0)))); }},
    {"mean", 2, [](MathCall& c) { c.Return((Extended{c.Number(0)} + c.Number(1)) / 2); }},
    {"string", 1, NumberToString},
    {"chr", 1, Chr},
    {"ord", 1,
     [](MathCall& c) {
         c.Return(c.Text(0).empty() ? 0 : static_cast<unsigned char>(c.Text(0).front()));
     }},
    {"string_length", 1, [](MathCall& c) { c.Return(static_cast<Extended>(c.Text(0).size())); }},
    {"string_pos", 2, StringPos},
    {"string_copy", 3, StringCopy},
    {"string_delete", 3, StringDelete},
    {"string_insert", 3, StringInsert},
    {"string_lower", 1, [](MathCall& c) { c.ReturnString(ChangeCase(c.Text(0), 'A', 'a')); }},
    {"string_upper", 1, [](MathCall& c) { c.ReturnString(ChangeCase(c.Text(0), 'a', 'A')); }},
    {"string_repeat", 2, StringRepeat},
};

} // namespace

void RegisterMathFunctions(CFunctionRegistry& registry) {
    RegisterTable<MathCall, kMathFunctions>(registry);
}

} // namespace velkaro
