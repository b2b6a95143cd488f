#include "shell/BackgroundMusicUnit.h"

#include "shell/RecordingAudio.h"
#include "support/GameFileBuilder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace velkaro {
namespace {

using test::RecordingAudio;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr std::int32_t kListed = 2;
constexpr std::int32_t kRandom = 1;

class BackgroundMusicTest : public ::testing::Test {
protected:
    BackgroundMusicTest() : files_(dir_.Path()), music_(audio_, files_) {
        for (const char* name : {"a.mid", "b.mp3", "c.mid"}) {
            dir_.WriteText(name, "music");
        }
    }

    // The names as the game's options hold them: data folder + stored name.
    std::vector<std::string> List(std::initializer_list<const char*> names) const {
        std::vector<std::string> list;
        for (const char* name : names) {
            list.push_back(dir_.Path().string() + "/" + name);
        }
        return list;
    }

    test::TempDir dir_;
    Files files_;
    RecordingAudio audio_;
    CBackgroundMusic music_;
};

TEST_F(BackgroundMusicTest, AListOfOneFileRepeatsItForever) {
    music_.StartMusic(kListed, List({"a.mid"}));
    EXPECT_THAT(audio_.Take(), ElementsAre("open music a.mid", "play music"));
    for (int i = 0; i < 3; ++i) {
        audio_.End(MediaPlayer::Music);
        EXPECT_THAT(audio_.Take(), ElementsAre("rewind music", "play music"));
    }
    EXPECT_EQ(music_.CurrentTrack(), 0);
}

TEST_F(BackgroundMusicTest, ThreeFilesPlayInTurnAndTheFirstFollowsTheLast) {
    // Any order but 1 is the listed one.
    music_.StartMusic(0, List({"a.mid", "b.mp3", "c.mid"}));
    for (int i = 0; i < 3; ++i) {
        audio_.End(MediaPlayer::Music);
    }
    EXPECT_THAT(audio_.calls,
                ElementsAre("open music a.mid", "play music", "open music b.mp3", "play music",
                            "open music c.mid", "play music", "open music a.mid", "play music"));
}

TEST_F(BackgroundMusicTest, AMissingFileEndsTheMusicThereWithoutSkippingIt) {
    music_.StartMusic(kListed, List({"a.mid", "gone.mid", "c.mid"}));
    audio_.End(MediaPlayer::Music);
    audio_.End(MediaPlayer::Music);
    EXPECT_THAT(audio_.calls, ElementsAre("open music a.mid", "play music"));
    EXPECT_FALSE(music_.Playing());
}

TEST_F(BackgroundMusicTest, AMissingFirstFilePlaysNothingAtAll) {
    music_.StartMusic(kListed, List({"gone.mid", "a.mid"}));
    EXPECT_THAT(audio_.calls, IsEmpty());
    EXPECT_EQ(music_.CurrentTrack(), -1);
}

TEST_F(BackgroundMusicTest, AFileThePlayerCannotOpenEndsTheMusicAsAMissingOneDoes) {
    audio_.brokenMedia.insert("b.mp3");
    music_.StartMusic(kListed, List({"a.mid", "b.mp3", "c.mid"}));
    audio_.End(MediaPlayer::Music);
    audio_.End(MediaPlayer::Music);
    EXPECT_THAT(audio_.calls,
                ElementsAre("open music a.mid", "play music", "open music b.mp3: fails"));
}

TEST_F(BackgroundMusicTest, NamesAreMatchedInTheDataFolderWithoutRegardToLetterCase) {
    dir_.WriteText("tunes/Intro.mid", "music");
    music_.StartMusic(kListed, List({"TUNES\\intro.MID"}));
    EXPECT_THAT(audio_.calls, ElementsAre("open music Intro.mid", "play music"));
    EXPECT_EQ(audio_.lastOpened, dir_.Path() / "tunes" / "Intro.mid");
}

TEST_F(BackgroundMusicTest, RandomOrderDrawsFromTheGivenGenerator) {
    CRandomGenerator random;
    random.Seed(13);
    music_.UseRandom(random);
    music_.StartMusic(kRandom, List({"a.mid", "b.mp3", "c.mid"}));
    for (int i = 0; i < 4; ++i) {
        audio_.End(MediaPlayer::Music);
    }
    // From state 13, x -> x * 134775813 + 1 (mod 2^32) gives the states 1752085570,
    // 3509292363, 1292660344, 502532185, 1960447422; each state x 3 / 2^32 is the index:
    // 1, 2, 0, 0, 1. A track drawn twice in a row is played again from its start.
    EXPECT_THAT(audio_.calls,
                ElementsAre("open music b.mp3", "play music", "open music c.mid", "play music",
                            "open music a.mid", "play music", "rewind music", "play music",
                            "open music b.mp3", "play music"));
    EXPECT_EQ(random.State(), 1960447422u);
}

TEST_F(BackgroundMusicTest, WithoutAGeneratorRandomOrderStartsFromStateZero) {
    music_.StartMusic(kRandom, List({"a.mid", "b.mp3", "c.mid"}));
    audio_.End(MediaPlayer::Music);
    audio_.End(MediaPlayer::Music);
    // States 1, 134775814, 3698175007: indexes 0, 0, 2.
    EXPECT_THAT(audio_.calls, ElementsAre("open music a.mid", "play music", "rewind music",
                                          "play music", "open music c.mid", "play music"));
}

TEST_F(BackgroundMusicTest, TheMusicKeepsItsOwnCopyOfTheList) {
    std::vector<std::string> list = List({"a.mid", "b.mp3"});
    music_.StartMusic(kListed, list);
    list.clear();
    audio_.End(MediaPlayer::Music);
    EXPECT_THAT(audio_.calls,
                ElementsAre("open music a.mid", "play music", "open music b.mp3", "play music"));
}

TEST_F(BackgroundMusicTest, StoppedMusicClosesThePlayerAndGoesNoFurther) {
    music_.StartMusic(kListed, List({"a.mid", "b.mp3"}));
    music_.StopMusic();
    audio_.End(MediaPlayer::Music);
    EXPECT_THAT(audio_.calls, ElementsAre("open music a.mid", "play music", "close music"));
    EXPECT_FALSE(music_.Playing());
}

TEST_F(BackgroundMusicTest, AnEmptyListPlaysNothing) {
    music_.StartMusic(kListed, {});
    audio_.End(MediaPlayer::Music);
    EXPECT_THAT(audio_.calls, IsEmpty());
}

} // namespace
} // namespace velkaro
