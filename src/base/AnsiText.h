#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velkaro {

// Game texts are 8-bit Windows-1252 ("ANSI") strings; the desktop, the file system and JSON
// speak UTF-8. These convert at those borders. The five byte values that Windows-1252 leaves
// undefined map to the C1 control characters of the same number, so every byte string makes
// the round trip unchanged.
std::string AnsiToUtf8(std::string_view ansi);

// Whether `text` is well-formed UTF-8: no stray or missing continuation bytes, no overlong
// forms, no surrogates, nothing beyond U+10FFFF.
bool IsUtf8(std::string_view text);

// A game text for a file that keeps one text a line (saved values, high-score names): its
// line breaks (CR and LF) as blanks, so that it stays on its line and the lines after it stay
// what they are.
std::string OnOneLine(std::string text);

// `text` for a message on one line: the control bytes it may hold (a NUL, a line feed, an
// escape sequence) as \xNN, so that they neither cut the message short, nor break its line,
// nor act on the terminal.
std::string EscapeControlBytes(std::string_view text);

// None when the text holds a character that Windows-1252 cannot store, or is not valid UTF-8.
std::optional<std::string> Utf8ToAnsi(std::string_view utf8);

// What a player typed, for a game: the characters that Windows-1252 can store, converted, and
// the others (and broken sequences) left out.
std::string Utf8ToAnsiDroppingOthers(std::string_view utf8);

} // namespace velkaro
