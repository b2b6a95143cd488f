#include "CommandLine.h"

#include "description/GameDescription.h"

#include <algorithm>
#include <fstream>

namespace velkaro::qvf {

bool StartsLikeAGameFile(const std::vector<std::uint8_t>& bytes) {
    // A game file starts with its format version, a small number (300 in the files the player
    // reads). Text, pictures and archives start with larger numbers.
    constexpr std::uint32_t kLargestVersion = 9999;
    if (bytes.size() < 4) {
        return false;
    }
    const std::uint32_t version =
        bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return version >= 1 && version <= kLargestVersion;
}

std::optional<std::string> NotAGameFile(const std::filesystem::path& path) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return std::nullopt;
    }
    if (std::filesystem::is_directory(status)) {
        return std::string("is a directory");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt; // the loader says it cannot be read
    }
    std::vector<std::uint8_t> head(64);
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    if (head.empty()) {
        return std::string("is empty");
    }
    if (StartsLikeAGameFile(head)) {
        return std::nullopt;
    }
    const auto first = std::find_if(head.begin(), head.end(), [](std::uint8_t c) {
        return c != ' ' && c != '\t' && c != '\r' && c != '\n';
    });
    const bool braces = first != head.end() && *first == '{';
    if (IsDescriptionName(path) || braces) {
        return std::string("is a game description: pack it first with qvf pack");
    }
    return std::string("is not a game file");
}

std::optional<InputAndOutput> ReadInputAndOutput(const std::vector<std::string>& args,
                                                 const std::string& command,
                                                 const std::string& inputName,
                                                 const std::string& outputName, std::ostream& err,
                                                 const std::string& options) {
    const std::string usage =
        " (usage: qvf " + command + " " + inputName + " -o " + outputName + options + ")";
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
