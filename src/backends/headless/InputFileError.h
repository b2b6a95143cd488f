#pragma once

#include <stdexcept>
#include <string>

namespace velkaro {

// A line of an answers or input file of a headless run that cannot be read; the message names the
// line.
class InputFileError : public std::runtime_error {
public:
    InputFileError(int line, const std::string& problem)
        : std::runtime_error("line " + std::to_string(line) + ": " + problem), line_(line) {}

    int Line() const { return line_; }

private:
    int line_;
};

} // namespace velkaro
