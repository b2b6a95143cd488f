#include "data/GameInfo.h"

#include "base/WholeFile.h"

namespace velkaro {

GameInfo LoadGameInfo(const Files& files, const std::string& gameName) {
    GameInfo info;
    info.caption = "Help for " + gameName;
    if (const auto bytes = ReadFileWhole(files.Resolve("help.rtf"))) {
        info.text.assign(bytes->begin(), bytes->end());
    }
    return info;
}

} // namespace velkaro
