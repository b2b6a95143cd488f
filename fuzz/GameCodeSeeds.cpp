// Writes the texts of the code corpus (tests/script/corpus/code_corpus.txt) into a folder, one
// file each, as game_code_fuzzer reads its inputs: a first byte for the form (0 code, 1 an
// expression as a number, 2 as a string), then the text.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

namespace {

// The text between the quotes of `line` after `prefix`, unescaped ("\\", "\"", "\xHH"); none
// when the line is not written so.
std::optional<std::string> Unquote(const std::string& line, const std::string& prefix) {
    if (!line.starts_with(prefix + "\"") || line.size() < prefix.size() + 2 || line.back() != '"') {
        return std::nullopt;
    }
    const std::string quoted = line.substr(prefix.size() + 1, line.size() - prefix.size() - 2);
    std::string text;
    for (std::size_t i = 0; i < quoted.size(); ++i) {
        if (quoted[i] != '\\' || i + 1 >= quoted.size()) {
            text += quoted[i];
        } else if (quoted[i + 1] == 'x' && i + 3 < quoted.size()) {
            text += static_cast<char>(std::stoi(quoted.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            text += quoted[++i];
        }
    }
    return text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: game_code_seeds CODE_CORPUS FOLDER\n";
        return 2;
    }
    std::ifstream corpus(argv[1], std::ios::binary);
    if (!corpus) {
        std::cerr << "game_code_seeds: cannot read " << argv[1] << "\n";
        return 1;
    }
    const std::filesystem::path folder = argv[2];
    std::filesystem::create_directories(folder);
    char form = 0;
    int written = 0;
    for (std::string line; std::getline(corpus, line);) {
        if (line.starts_with("case ")) {
            std::istringstream words(line);
            std::string word, number, kind;
            words >> word >> number >> kind;
            form = kind == "code" ? 0 : kind == "real" ? 1 : 2;
        } else if (const auto text = Unquote(line, "text ")) {
            std::ofstream out(folder / ("corpus-" + std::to_string(++written)), std::ios::binary);
            out.put(form);
            out << *text;
        }
    }
    std::cout << "game_code_seeds: " << written << " texts\n";
    return written > 0 ? 0 : 1;
}
