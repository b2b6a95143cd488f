#include "data/GameLoader.h"

#include "support/RecordingDialogs.h"

#include <gtest/gtest.h>

namespace velkaro {
namespace {

// The bundled example is packed by the build; it must load cleanly and find its media.
TEST(ExampleGames, CatchLoadsWithItsMedia) {
    test::RecordingDialogs dialogs;
    GameData game;
    ASSERT_TRUE(LoadGame(std::filesystem::path(VELKARO_EXAMPLES_DIR) / "catch.qvf", game, dialogs));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(game.gameName, "catch");
    ASSERT_EQ(game.objects.Count(), 4);
    EXPECT_EQ(game.objects.Get(1).name, "basket");
    EXPECT_EQ(game.objects.Get(1).image.Count(), 1);
    EXPECT_EQ(game.objects.Get(1).image.width, 64);
    EXPECT_EQ(game.rooms.Count(), 2);
    ASSERT_EQ(game.sounds.Count(), 2);
    EXPECT_TRUE(game.sounds.Get(1).fileExists);
    EXPECT_TRUE(game.sounds.Get(2).fileExists);
    EXPECT_NE(game.info.text.find("arrow keys"), std::string::npos);
    // Its background music is there to be heard.
    ASSERT_EQ(game.options.playlist.size(), 1u);
    EXPECT_TRUE(std::filesystem::is_regular_file(game.options.playlist[0]))
        << game.options.playlist[0];
}

} // namespace
} // namespace velkaro
