#pragma once

#include <istream>
#include <string>
#include <vector>

namespace velkaro {

// A line of an answers or input file that holds something, with its number in the file.
struct ScriptLine {
    int number = 0;
    std::string text;
};

// The lines of an answers or input file, as both are written: UTF-8, with or without a
// byte-order mark at the start (editors on some systems write one), lines ending in LF or
// CR LF. Empty lines, lines of blanks and comments (a "#" as the first character that is not a
// blank) are left out; the others come whole, without their line end. Throws InputFileError
// naming the first line that holds bytes that are not UTF-8.
std::vector<ScriptLine> ReadScriptLines(std::istream& in);

} // namespace velkaro
