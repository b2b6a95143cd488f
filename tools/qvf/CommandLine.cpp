#include "CommandLine.h"

namespace velkaro::qvf {

std::optional<InputAndOutput> ReadInputAndOutput(const std::vector<std::string>& args,
                                                 const std::string& command,
                                                 const std::string& inputName,
                                                 const std::string& outputName, std::ostream& err) {
    const std::string usage =
        " (usage: qvf " + command + " " + inputName + " -o " + outputName + ")";
    std::optional<std::string> input;
    std::optional<std::string> output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-o" || arg == "--output") {
            if (i + 1 >= args.size()) {
                err << "qvf " << command << ": " << arg << " needs " << outputName << usage << "\n";
                return std::nullopt;
            }
            if (output) {
                err << "qvf " << command << ": " << arg << " is given twice" << usage << "\n";
                return std::nullopt;
            }
            output = args[++i];
        } else if (arg.size() > 1 && arg.front() == '-') {
            err << "qvf " << command << ": unknown option " << arg << usage << "\n";
            return std::nullopt;
        } else if (input) {
            err << "qvf " << command << ": unexpected argument " << arg << usage << "\n";
            return std::nullopt;
        } else {
            input = arg;
        }
    }
    if (!input) {
        err << "qvf " << command << ": missing " << inputName << usage << "\n";
        return std::nullopt;
    }
    if (!output) {
        err << "qvf " << command << ": missing -o " << outputName << usage << "\n";
        return std::nullopt;
    }
    if (input->empty() || output->empty()) {
        err << "qvf " << command << ": an empty file name" << usage << "\n";
        return std::nullopt;
    }
    return InputAndOutput{*input, *output};
}

} // namespace velkaro::qvf
