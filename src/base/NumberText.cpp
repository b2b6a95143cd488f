#include "base/NumberText.h"

#include "base/AnsiText.h"
#include "base/VariableClass.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <langinfo.h>
#include <locale.h>

namespace velkaro {
namespace {

// Enough significant digits to tell a decimal tie of a double with 12 or fewer significant
// digits from a value just beside it.
constexpr int kExactDigits = 40;
constexpr int kSignificantDigits = 10;
constexpr int kDecimals = 2;

struct DecimalDigits {
    std::array<char, kExactDigits> digits{};
    int exponent = 0; // the value is digits[0].digits[1..] x 10^exponent
};

DecimalDigits ExactDigits(double magnitude) {
    std::array<char, 64> text{};
    auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), magnitude,
                                      std::chars_format::scientific, kExactDigits - 1);
    (void)error; // the buffer is large enough for any double in this format
    DecimalDigits result;
    const char* p = text.data();
    for (int i = 0; i < kExactDigits; ++i) {
        if (*p == '.') {
            ++p;
        }
        result.digits[static_cast<std::size_t>(i)] = *p++;
    }
    ++p; // 'e'
    std::from_chars(*p == '+' ? p + 1 : p, end, result.exponent);
    return result;
}

std::int64_t PowerOfTen(int exponent) {
    std::int64_t result = 1;
    for (int i = 0; i < exponent; ++i) {
        result *= 10;
    }
    return result;
}

// Non-integral values below 2^63: rounded half away from zero at the coarser of the 10th
// significant digit and the 2nd decimal, then written with two decimals.
std::string TwoDecimals(double value, std::string_view separator) {
    DecimalDigits exact = ExactDigits(value < 0 ? -value : value);
    int lastKept = exact.exponent >= kSignificantDigits
                       ? -kDecimals
                       : std::max(exact.exponent - (kSignificantDigits - 1), -kDecimals);
    int keptCount = exact.exponent - lastKept + 1;

    std::int64_t kept = 0;
    for (int i = 0; i < keptCount; ++i) {
        kept = kept * 10 + (exact.digits[static_cast<std::size_t>(i)] - '0');
    }
    if (keptCount >= 0 && exact.digits[static_cast<std::size_t>(keptCount)] >= '5') {
        ++kept;
    }
    std::int64_t hundredths = kept * PowerOfTen(lastKept + kDecimals);

    std::string text = value < 0 ? "-" : "";
    text += std::to_string(hundredths / 100);
    text += separator;
    text += static_cast<char>('0' + hundredths % 100 / 10);
    text += static_cast<char>('0' + hundredths % 10);
    return text;
}

std::string GameTextSeparator(std::string_view radix) {
    if (radix.empty()) {
        return ".";
    }
    if (std::all_of(radix.begin(), radix.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return std::string(radix);
    }
    auto ansi = Utf8ToAnsi(radix);
    return ansi && !ansi->empty() ? *ansi : ".";
}

} // namespace

std::optional<std::string> RealToString(double value, std::string_view decimalSeparator) {
    if (!FitsRoundedInteger(value)) {
        return std::nullopt;
    }
    std::int64_t whole = RoundToInteger(value);
    if (static_cast<double>(whole) == value) {
        return std::to_string(whole);
    }
    return TwoDecimals(value, decimalSeparator);
}

std::optional<std::string> LocaleDecimalSeparator(const char* localeName) {
    locale_t locale = newlocale(LC_NUMERIC_MASK, localeName, static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0)) {
        return std::nullopt;
    }
    std::string separator = GameTextSeparator(nl_langinfo_l(RADIXCHAR, locale));
    freelocale(locale);
    return separator;
}

std::string UserDecimalSeparator() {
    return LocaleDecimalSeparator("").value_or(".");
}

std::string NumberForMessage(double value) {
    // Whole numbers read best in full ("3000000000", not "3e+09") as long as that stays short.
    constexpr double kLongestInFull = 1e17;
    if (std::trunc(value) == value && std::fabs(value) < kLongestInFull) {
        return std::to_string(static_cast<std::int64_t>(value));
    }
    std::array<char, 32> text{};
    auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value);
    (void)error; // 32 characters hold the shortest form of any double
    return std::string(text.data(), end);
}

// The width of a real in a saved file.
constexpr std::size_t kSavedRealWidth = 23;

std::string FormatSavedReal(double value) {
    if (!std::isfinite(value)) {
        const std::string word = std::isnan(value) ? "Nan" : value > 0 ? "+Inf" : "-Inf";
        return std::string(kSavedRealWidth - word.size(), ' ') + word;
    }
    // to_chars never looks at the locale.
    char digits[64];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), std::fabs(value),
                                      std::chars_format::scientific, 14);
    const std::string_view written(digits, static_cast<std::size_t>(result.ptr - digits));
    const std::size_t e = written.find('e');
    const std::string_view mantissa = written.substr(0, e);
    const char exponentSign = written[e + 1];
    const std::string_view exponent = written.substr(e + 2);

    std::string text(1, value < 0 ? '-' : ' ');
    text += mantissa;
    text += 'E';
    text += exponentSign;
    text.append(exponent.size() < 4 ? 4 - exponent.size() : 0, '0');
    text += exponent;
    return text;
}

} // namespace velkaro
