#include "data/OptionsUnit.h"

#include "support/GameFileBuilder.h"
#include "support/RecordingDialogs.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace velkaro {
namespace {

using ::testing::ElementsAre;

GameOptions Apply(const std::vector<std::string>& entries) {
    GameOptions options;
    options.fullscreen = true; // applying starts from whatever is there; reading resets first
    options.Reset();
    ApplyOptionEntries(entries, "D/", options);
    return options;
}

TEST(Options, NoEntriesGiveEveryDefault) {
    const GameOptions o = Apply({});
    EXPECT_FALSE(o.fullscreen);
    EXPECT_TRUE(o.showcursor);
    EXPECT_TRUE(o.screenkey);
    EXPECT_TRUE(o.helpkey);
    EXPECT_TRUE(o.quitkey);
    EXPECT_TRUE(o.showscore);
    EXPECT_EQ(o.highscorefilename, "");
    EXPECT_TRUE(o.highscoreborder);
    EXPECT_FALSE(o.music);
    EXPECT_TRUE(o.playlist.empty());
    EXPECT_EQ(o.musicorder, 2);
    EXPECT_EQ(o.start, 0);
    EXPECT_EQ(o.startfilename, "");
    EXPECT_FALSE(o.startfull);
    EXPECT_FALSE(o.startloop);
    EXPECT_EQ(o.startdelay, 5);
    EXPECT_EQ(o.startcolor, 0xFFFFFFu);
    EXPECT_FALSE(o.startmusic);
    EXPECT_EQ(o.end, 0);
    EXPECT_EQ(o.endfilename, "");
    EXPECT_FALSE(o.endfull);
    EXPECT_FALSE(o.endloop);
    EXPECT_EQ(o.enddelay, 5);
    EXPECT_EQ(o.endcolor, 0xFFFFFFu);
    EXPECT_FALSE(o.endmusic);
    EXPECT_EQ(o.collisions, 1);
    EXPECT_FALSE(o.continuous);
    EXPECT_FALSE(o.exclusive);
    EXPECT_FALSE(o.preprocess);
    EXPECT_TRUE(o.stopmoving);
    EXPECT_FALSE(o.precise);
}

TEST(Options, KeysMatchInAnyCaseAndTheFirstEntryCounts) {
    EXPECT_TRUE(Apply({"FullScreen=1"}).fullscreen);
    EXPECT_FALSE(Apply({"showcursor=0", "showcursor=1"}).showcursor);
    EXPECT_EQ(Apply({"startdelay="}).startdelay, 5) << "an empty value keeps the default";
    EXPECT_TRUE(Apply({"showcursor", "showcursor=1"}).showcursor) << "no '=' never matches";
    EXPECT_EQ(Apply({"endfilename=a=b.txt"}).endfilename, "D/a=b.txt")
        << "the value runs from the first '='";
}

TEST(Options, BoolsAreTrueOnlyForOne) {
    EXPECT_TRUE(Apply({"precise=1"}).precise);
    for (const char* other :
         {"precise=true", "precise=yes", "precise=2", "precise= 1", "precise=01"}) {
        EXPECT_FALSE(Apply({other}).precise) << other;
    }
    EXPECT_FALSE(Apply({"stopmoving=0"}).stopmoving);
}

TEST(Options, NumbersAreDecimalThirtyTwoBitIntegers) {
    const GameOptions o = Apply({"collisions=32", "start=3", "startcolor=255", "endcolor=-1",
                                 "musicorder=1", "enddelay=-4", "startdelay=+12"});
    EXPECT_EQ(o.collisions, 32);
    EXPECT_EQ(o.start, 3);
    EXPECT_EQ(o.startcolor, 255u);
    EXPECT_EQ(o.endcolor, 0xFFFFFFFFu);
    EXPECT_EQ(o.musicorder, 1);
    EXPECT_EQ(o.enddelay, -4);
    EXPECT_EQ(o.startdelay, 12);
    for (const char* bad :
         {"collisions=abc", "collisions=1.5", "collisions=4294967296", "collisions=12x"}) {
        try {
            Apply({bad});
            ADD_FAILURE() << bad << " was accepted";
        } catch (const GameFileError& e) {
            const std::string value = std::string(bad).substr(11);
            EXPECT_EQ(e.what(), "'" + value + "' is not a valid integer value");
        }
    }
}

TEST(Options, FileNamesArePrefixedWithTheDataFolder) {
    const GameOptions o = Apply(
        {"highscorefilename=back.jpg", "startfilename=intro\\start.avi", "endfilename=end.txt"});
    EXPECT_EQ(o.highscorefilename, "D/back.jpg");
    EXPECT_EQ(o.startfilename, "D/intro\\start.avi");
    EXPECT_EQ(o.endfilename, "D/end.txt");
}

TEST(Options, ThePlayListIsReadOnlyWhenTheMusicKeyHasAValue) {
    const GameOptions off = Apply({"music=0", "playlist=a.mid,b.mid"});
    EXPECT_FALSE(off.music);
    EXPECT_THAT(off.playlist, ElementsAre("D/a.mid", "D/b.mid"));
    EXPECT_TRUE(Apply({"playlist=a.mid"}).playlist.empty());
    EXPECT_TRUE(Apply({"music=", "playlist=a.mid"}).playlist.empty());
    const GameOptions on = Apply({"music=1", "playlist=\"my song.mp3\" , x.mid"});
    EXPECT_TRUE(on.music);
    EXPECT_THAT(on.playlist, ElementsAre("D/my song.mp3", "D/x.mid"));
}

TEST(Options, PlayListSplitting) {
    EXPECT_THAT(SplitPlayList("\"a b, c.mid\",d.mid"), ElementsAre("a b, c.mid", "d.mid"));
    EXPECT_THAT(SplitPlayList("a.mid,,b.mid"), ElementsAre("a.mid", "", "b.mid"));
    EXPECT_THAT(SplitPlayList("  one.mid   two.mid"), ElementsAre("one.mid"))
        << "a blank ends an unquoted entry, and only a comma starts the next";
    EXPECT_THAT(SplitPlayList("\"say \"\"hi\"\".mp3\""), ElementsAre("say \"hi\".mp3"));
    EXPECT_THAT(SplitPlayList("\t\r\na.mid ,\tb.mid\n"), ElementsAre("a.mid", "b.mid"));
    EXPECT_TRUE(SplitPlayList("   ").empty());
    EXPECT_TRUE(SplitPlayList("").empty());
}

TEST(Options, TheSectionIsReadWithItsVersionAndCount) {
    test::Bytes b;
    b.Int(300).Int(3).Str("fullscreen=1").Str("junk").Str("collisions=4");
    CStream stream(b.data);
    test::RecordingDialogs dialogs;
    Files files;
    LoadContext context{stream, dialogs, files, "F/"};
    GameOptions options;
    ReadOptions(context, options);
    EXPECT_TRUE(options.fullscreen);
    EXPECT_EQ(options.collisions, 4);
    EXPECT_TRUE(dialogs.messages.empty());

    test::Bytes wrong;
    wrong.Int(200);
    CStream wrongStream(wrong.data);
    LoadContext wrongContext{wrongStream, dialogs, files, "F/"};
    options.precise = true;
    ReadOptions(wrongContext, options);
    EXPECT_FALSE(options.precise) << "defaults are restored before the version is read";
    EXPECT_THAT(dialogs.messages, ElementsAre("Internal error in options version."));
}

} // namespace
} // namespace velkaro
