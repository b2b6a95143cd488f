#include "backends/desktop/DesktopDialogs.h"

#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <sstream>
#include <string>

namespace velkaro {
namespace {

// Standard error into a string for as long as it lives.
class StandardErrorTo {
public:
    explicit StandardErrorTo(std::ostringstream& out) : saved_(std::cerr.rdbuf(out.rdbuf())) {}
    ~StandardErrorTo() { std::cerr.rdbuf(saved_); }
    StandardErrorTo(const StandardErrorTo&) = delete;
    StandardErrorTo& operator=(const StandardErrorTo&) = delete;

private:
    std::streambuf* saved_;
};

// Until the desktop player has windows of its own, an input box answers Cancel (so that
// get_integer and get_string go on with their default) and the prompt still reaches the player.
TEST(DesktopDialogs, WithoutAnInputBoxThePromptGoesToStandardErrorAndTheAnswerIsCancel) {
    std::ostringstream err;
    const StandardErrorTo redirect(err);
    DesktopDialogs dialogs("Maze");
    EXPECT_EQ(dialogs.AskText("Your name, caf\xe9 guest?\rPlease", "Bob"), std::nullopt);
    dialogs.ShowGameInfo();
    const std::string text = err.str();
    EXPECT_NE(text.find("Maze: Your name, caf\xc3\xa9 guest?\nPlease"), std::string::npos) << text;
    EXPECT_NE(text.find("Maze: the game information window is not available yet"),
              std::string::npos)
        << text;
}

} // namespace
} // namespace velkaro
