#include "shell/HelpUnit.h"

#include <fstream>
#include <iterator>

namespace velkaro {

GameInfo LoadGameInfo(const Files& files, const std::string& gameName) {
    GameInfo info;
    info.caption = "Help for " + gameName;
    if (files.FileExists("help.rtf")) {
        std::ifstream in(files.Resolve("help.rtf"), std::ios::binary);
        info.text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return info;
}

} // namespace velkaro
