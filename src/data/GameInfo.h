#pragma once

#include "base/Files.h"

#include <string>

namespace velkaro {

// The game information: the text of "help.rtf" in the data folder and the window's caption.
struct GameInfo {
    std::string text; // the file as stored (rich text or plain text)
    std::string caption;
};

// Loads the information while the game file is loaded: empty text when the data folder has no
// "help.rtf"; the caption is "Help for " and the game name as it is at this moment.
GameInfo LoadGameInfo(const Files& files, const std::string& gameName);

} // namespace velkaro
