#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velkaro {

// The text game code gets for a number. Integral values are written as integers ("3", "-12");
// others are rounded, halves away from zero, to 10 significant digits or 2 decimals, whichever
// keeps fewer, and written with exactly two decimals ("1.50", "0.13", "123456789.10"). A value
// with more than 10 digits before the separator keeps 2 decimals rather than switching to an
// exponent. None for NaN, infinities and magnitudes of 2^63 or more.
std::optional<std::string> RealToString(double value, std::string_view decimalSeparator);

// The decimal separator of the user's numeric locale (LC_ALL, LC_NUMERIC, LANG), as a
// Windows-1252 game text; "." when the locale is unknown or its separator cannot be written.
std::string UserDecimalSeparator();

// The decimal separator of the named locale; none when that locale is not installed.
std::optional<std::string> LocaleDecimalSeparator(const char* localeName);

// A number in a message for the player or developer, independent of the locale: whole numbers
// in full, others in the shortest text that reads back as the same double ("-4", "0.1",
// "1e+300", "inf").
std::string NumberForMessage(double value);

// A real as the file holds it: 23 characters, a blank or "-", one digit, ".", 14 digits, "E",
// the exponent's sign and four digits (" 1.50000000000000E+0001" for fifteen).
std::string FormatSavedReal(double value);

} // namespace velkaro
