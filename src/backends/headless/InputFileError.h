#pragma once

#include "base/AnsiText.h"

#include <stdexcept>
#include <string>

namespace velkaro {

// A line of an answers or input file of a headless run that cannot be read; the message names the
// line.
class InputFileError : public std::runtime_error {
public:
    // What the problem quotes from the line may hold control bytes; the message shows them
    // escaped.
    InputFileError(int line, const std::string& problem)
        : std::runtime_error("line " + std::to_string(line) + ": " + EscapeControlBytes(problem)),
          line_(line) {}

    int Line() const { return line_; }

private:
    int line_;
};

} // namespace velkaro
