#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velkaro {

// The arguments a game's argument text stands for. Games hand a program one line of text, as
// their system passes a command line; here it becomes an argument list and never reaches a
// shell, so nothing in it is run or expanded. The rules are those of a shell's unquoted and
// double-quoted words, reduced to what a command line of the games' system means:
//  - blanks, tabs, carriage returns and line feeds separate arguments; runs of them count once;
//  - double quotes group what lies between them into one argument and are removed; a quoted
//    part joins the characters touching it (a"b c"d is the one argument ab cd), "" alone is an
//    empty argument, and a quote left open runs to the end of the text;
//  - every other character stands for itself: backslashes (which separate folders in the
//    games' names, and so cannot escape anything), single quotes, $, `, ;, |, &, *, ~.
// Bytes pass unchanged: the caller converts the arguments from game texts.
std::vector<std::string> SplitArguments(std::string_view text);

} // namespace velkaro
