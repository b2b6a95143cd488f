#include "backends/desktop/DesktopDialogs.h"
#include "support/SdlEvents.h"

#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <sstream>
#include <string>

namespace velkaro {
namespace {

using test::StandardErrorTo;

// Without a display (a player started from a console by mistake, say) an input box answers
// Cancel, so that get_integer and get_string go on with their default, and what the boxes
// would show still reaches the player, in readable lines.
TEST(DesktopDialogs, WithoutADisplayTheTextsGoToStandardErrorAndTheInputBoxAnswersCancel) {
    std::ostringstream err;
    const StandardErrorTo redirect(err);
    DesktopDialogs dialogs("Maze");
    EXPECT_EQ(dialogs.AskText("Your name, caf\xe9 guest?\rPlease", "Bob"), std::nullopt);
    EXPECT_FALSE(dialogs.ShowQuestion("Again?")) << "No, as a closed box answers";
    EXPECT_EQ(dialogs.ShowErrorReport("FATAL ERROR:\rin Step event", true), ErrorAnswer::Abort);
    const std::string text = err.str();
    EXPECT_NE(text.find("Your name, caf\xc3\xa9 guest?\nPlease"), std::string::npos) << text;
    EXPECT_NE(text.find("Maze: Again?"), std::string::npos) << text;
    EXPECT_NE(text.find("Maze: FATAL ERROR:\nin Step event"), std::string::npos) << text;
}

} // namespace
} // namespace velkaro
