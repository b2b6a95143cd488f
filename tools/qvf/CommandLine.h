#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace velkaro::qvf {

// Exit statuses of every qvf command.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// One qvf command: runs with the arguments after its name, writes its results to files and
// `out`, its messages to `err`, and answers the exit status.
using CommandFunction = int (*)(const std::vector<std::string>& args, std::ostream& out,
                                std::ostream& err);

struct InputAndOutput {
    std::filesystem::path input;
    std::filesystem::path output;
};

// Reads "INPUT -o OUTPUT" (in either order; "--output" is the same as "-o"). Writes a one-line
// message to `err` and answers none when the arguments are not that.
std::optional<InputAndOutput> ReadInputAndOutput(const std::vector<std::string>& args,
                                                 const std::string& command,
                                                 const std::string& inputName,
                                                 const std::string& outputName, std::ostream& err);

int PackCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int DumpCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int CheckCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace velkaro::qvf
