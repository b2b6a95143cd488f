#include "shell/MusicUnit.h"

#include "shell/RecordingAudio.h"
#include "support/GameFileBuilder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace velkaro {
namespace {

using test::RecordingAudio;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// A game with one sound of each case, its files in a data folder of its own:
//   1 boom.wav   3 copies, effects
//   2 tune.mid
//   3 gone.wav   no file
//   4 click.wav  buffer count 0, no effects; stored in another letter case
//   5 song.mp3
class SoundPlayerTest : public ::testing::Test {
protected:
    SoundPlayerTest() : files_(dir_.Path()) {
        dir_.WriteText("boom.wav", "boom's bytes");
        dir_.WriteText("tune.mid", "MThd");
        dir_.WriteText("Click.WAV", "click's bytes");
        dir_.WriteText("song.mp3", "ID3");
        Add("boom.wav", true, 3);
        Add("tune.mid", false, 1);
        Add("gone.wav", true, 2);
        Add("click.wav", false, 0);
        Add("song.mp3", false, 1);
    }

    CSoundPlayer& Started(bool backgroundMusic = false) {
        player_.reset(); // one player at a time holds the media end
        player_ = std::make_unique<CSoundPlayer>(audio_, sounds_, files_, backgroundMusic);
        player_->StartSounds();
        audio_.Take();
        return *player_;
    }

    void Add(const std::string& fileName, bool effects, int buffers) {
        CSound& sound = sounds_.Add();
        sound.name = fileName;
        sound.fileName = fileName;
        sound.file = dir_.Path().string() + "/" + fileName;
        sound.fileExists = files_.FileExists(fileName);
        sound.effectsAllowed = effects;
        sound.bufferCount = buffers;
    }

    test::TempDir dir_;
    Files files_;
    CSoundList sounds_;
    RecordingAudio audio_;
    std::unique_ptr<CSoundPlayer> player_;
};

TEST_F(SoundPlayerTest, StartLoadsEveryWaveSoundThatHasAFile) {
    CSoundPlayer player(audio_, sounds_, files_, false);
    EXPECT_TRUE(player.StartSounds());
    EXPECT_TRUE(player.WaveOutputAvailable());
    EXPECT_THAT(audio_.calls, ElementsAre("open wave output", "load 1 boom.wav x3 effects",
                                          "load 4 Click.WAV x1"));
}

TEST_F(SoundPlayerTest, NumbersThatNameNoPlayableSoundAreRefused) {
    CSoundPlayer& player = Started();
    EXPECT_FALSE(player.PlayGameSound(-1, 0));
    EXPECT_FALSE(player.PlayGameSound(6, 0));
    EXPECT_FALSE(player.PlayGameSound(3, 1)); // its file is missing
    EXPECT_THAT(audio_.calls, IsEmpty());

    EXPECT_TRUE(player.PlayGameSound(0, 0));
    EXPECT_THAT(audio_.calls, ElementsAre("close sound media", "stop 1 all", "stop 4 all"));
}

TEST_F(SoundPlayerTest, CopiesOfAWaveSoundAreUsedInTurn) {
    CSoundPlayer& player = Started();
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(player.PlayGameSound(1, 0));
    }
    player.PlayGameSound(4, 0);
    player.PlayGameSound(4, 0);
    EXPECT_THAT(audio_.calls, ElementsAre("play 1 copy 0", "play 1 copy 1", "play 1 copy 2",
                                          "play 1 copy 0", "play 4 copy 0", "play 4 copy 0"));
}

TEST_F(SoundPlayerTest, WaveSoundsLoopOnlyWhenALoopIsAskedFor) {
    CSoundPlayer& player = Started();
    player.PlayGameSound(4, 0);
    player.PlayGameSound(4, 1);
    player.PlayGameSound(4, 2);
    EXPECT_THAT(audio_.calls, ElementsAre("play 4 copy 0", "play 4 copy 0 loop", "play 4 copy 0"));
}

TEST_F(SoundPlayerTest, MediaSoundsRepeatAtTheirEndUnlessPlayedOnce) {
    CSoundPlayer& player = Started();
    EXPECT_TRUE(player.PlayGameSound(2, 2));
    EXPECT_THAT(audio_.Take(), ElementsAre("open sound media tune.mid as 2", "play sound media"));
    EXPECT_EQ(player.CurrentMediaSound(), 2);
    audio_.End(MediaPlayer::Sound);
    audio_.End(MediaPlayer::Sound);
    EXPECT_THAT(audio_.Take(), ElementsAre("rewind sound media", "play sound media",
                                           "rewind sound media", "play sound media"));

    player.PlayGameSound(5, 0);
    audio_.End(MediaPlayer::Sound);
    EXPECT_THAT(audio_.Take(), ElementsAre("open sound media song.mp3 as 5", "play sound media"));

    player.PlayGameSound(5, 1);
    audio_.End(MediaPlayer::Sound);
    EXPECT_THAT(audio_.Take(), ElementsAre("rewind sound media", "play sound media",
                                           "rewind sound media", "play sound media"));
}

TEST_F(SoundPlayerTest, PlayingTheCurrentMediaSoundAgainRewindsItInsteadOfReloading) {
    CSoundPlayer& player = Started();
    player.PlayGameSound(2, 0);
    player.PlayGameSound(2, 0);
    player.PlayGameSound(5, 0);
    EXPECT_THAT(audio_.calls, ElementsAre("open sound media tune.mid as 2", "play sound media",
                                          "rewind sound media", "play sound media",
                                          "open sound media song.mp3 as 5", "play sound media"));
}

TEST_F(SoundPlayerTest, AMediaFileThatDoesNotOpenPlaysNothingAndIsNotCurrent) {
    CSoundPlayer& player = Started();
    audio_.brokenMedia.insert("tune.mid");
    EXPECT_TRUE(player.PlayGameSound(2, 1));
    EXPECT_EQ(player.CurrentMediaSound(), -1);
    audio_.End(MediaPlayer::Sound);
    EXPECT_THAT(audio_.calls, ElementsAre("open sound media tune.mid as 2: fails"));
}

TEST_F(SoundPlayerTest, WithBackgroundMusicMediaSoundsAreSilentButStillPlay) {
    CSoundPlayer& player = Started(true);
    EXPECT_TRUE(player.PlayGameSound(2, 1));
    EXPECT_TRUE(player.PlayGameSound(5, 0));
    player.StopGameSound(2);
    audio_.End(MediaPlayer::Sound);
    EXPECT_THAT(audio_.Take(), IsEmpty());

    // The music's player is not the sound player's to close; waves still sound.
    player.PlayGameSound(1, 0);
    player.StopAllSounds();
    EXPECT_THAT(audio_.Take(), ElementsAre("play 1 copy 0", "stop 1 all", "stop 4 all"));
}

TEST_F(SoundPlayerTest, StoppingAMediaSoundClosesThePlayerOnlyWhenItIsTheCurrentOne) {
    CSoundPlayer& player = Started();
    player.PlayGameSound(2, 1);
    audio_.Take();
    player.StopGameSound(5);
    EXPECT_THAT(audio_.Take(), IsEmpty());

    player.StopGameSound(2);
    EXPECT_THAT(audio_.Take(), ElementsAre("close sound media"));
    EXPECT_EQ(player.CurrentMediaSound(), -1);
    // A stopped looping piece does not come back, and playing it again loads it again.
    audio_.End(MediaPlayer::Sound);
    player.PlayGameSound(2, 0);
    EXPECT_THAT(audio_.Take(), ElementsAre("open sound media tune.mid as 2", "play sound media"));
}

TEST_F(SoundPlayerTest, StoppingAWaveSoundStopsAllItsCopiesAndZeroStopsEverySound) {
    CSoundPlayer& player = Started();
    player.PlayGameSound(2, 1);
    audio_.Take();
    player.StopGameSound(1);
    EXPECT_THAT(audio_.Take(), ElementsAre("stop 1 all"));
    player.StopGameSound(-3);
    player.StopGameSound(3);
    player.StopGameSound(6);
    EXPECT_THAT(audio_.Take(), IsEmpty());
    player.StopGameSound(0);
    EXPECT_THAT(audio_.Take(), ElementsAre("close sound media", "stop 1 all", "stop 4 all"));
}

TEST_F(SoundPlayerTest, WithoutWaveOutputWavesPlayFromMemoryOneAtATime) {
    audio_.waveOutputPresent = false;
    CSoundPlayer player(audio_, sounds_, files_, false);
    EXPECT_FALSE(player.StartSounds());
    EXPECT_FALSE(player.WaveOutputAvailable());
    EXPECT_THAT(audio_.Take(), ElementsAre("open wave output: none"));

    EXPECT_TRUE(player.PlayGameSound(1, 1));
    EXPECT_EQ(std::string(audio_.memoryWave.begin(), audio_.memoryWave.end()), "boom's bytes");
    player.PlayGameSound(4, 2);
    EXPECT_EQ(std::string(audio_.memoryWave.begin(), audio_.memoryWave.end()), "click's bytes");
    // Only the wave played last is the one to stop.
    player.StopGameSound(1);
    player.StopGameSound(4);
    EXPECT_THAT(audio_.Take(), ElementsAre("play memory 1 loop", "play memory 4", "stop memory"));

    player.StopAllSounds();
    EXPECT_THAT(audio_.Take(), ElementsAre("close sound media", "stop memory"));
}

// One file the output cannot read is silent, as a missing one is; the other sounds keep the
// wave output with its copies and effects.
TEST_F(SoundPlayerTest, AWaveThatFailsToLoadIsSilentAndTheOthersKeepTheWaveOutput) {
    audio_.brokenWaves.insert(4);
    CSoundPlayer player(audio_, sounds_, files_, false);
    EXPECT_TRUE(player.StartSounds());
    EXPECT_TRUE(player.PlayGameSound(4, 0)) << "the file is there: no error for the game";
    player.StopGameSound(4);
    player.PlayGameSound(1, 0);
    EXPECT_THAT(audio_.calls, ElementsAre("open wave output", "load 1 boom.wav x3 effects",
                                          "load 4 Click.WAV x1: fails", "play 1 copy 0"));
}

TEST_F(SoundPlayerTest, AWaveFileGoneSinceLoadingIsASoundWithoutCopies) {
    std::filesystem::remove(dir_.Path() / "boom.wav");
    CSoundPlayer player(audio_, sounds_, files_, false);
    EXPECT_TRUE(player.StartSounds());
    // It existed when the game was loaded, so playing it is no error; it is just not heard.
    EXPECT_TRUE(player.PlayGameSound(1, 0));
    player.StopGameSound(1);
    EXPECT_THAT(audio_.calls, ElementsAre("open wave output", "load 4 Click.WAV x1"));
}

TEST_F(SoundPlayerTest, EndSoundsStopsEverythingAndReleasesTheWaveOutput) {
    CSoundPlayer& player = Started();
    player.EndSounds();
    EXPECT_THAT(audio_.Take(), ElementsAre("close sound media", "stop 1 all", "stop 4 all",
                                           "release 1", "release 4", "close wave output"));
    EXPECT_TRUE(player.PlayGameSound(1, 0));
    EXPECT_THAT(audio_.Take(), IsEmpty());
}

TEST_F(SoundPlayerTest, SettingsReachEveryCopyOfAWaveSoundThatAllowsEffects) {
    CSoundPlayer& player = Started();
    player.SetSoundVolume(1, 0.5);
    player.SetSoundPan(1, 0.25);
    player.SetSoundFrequency(1, 0);
    EXPECT_THAT(audio_.calls,
                ElementsAre("volume 1 all -5000", "pan 1 all -5000", "frequency 1 all 100"));
}

TEST_F(SoundPlayerTest, SettingsAreIgnoredWhereTheyCannotApply) {
    CSoundPlayer& player = Started();
    for (int number : {0, -1, 2, 3, 4, 5, 6}) {
        player.SetSoundVolume(number, 0.5);
        player.SetSoundPan(number, 0.5);
        player.SetSoundFrequency(number, 0.5);
    }
    EXPECT_THAT(audio_.calls, IsEmpty());

    audio_.waveOutputPresent = false;
    CSoundPlayer& fallback = Started();
    fallback.SetSoundVolume(1, 0.5);
    EXPECT_THAT(audio_.calls, IsEmpty());
}

TEST(WaveSettings, TheGameRangeMapsOntoDeviceUnitsAndIsClampedAtItsEnds) {
    EXPECT_EQ(WaveVolume(0.5), -5000);
    EXPECT_EQ(WaveVolume(0), -10000);
    EXPECT_EQ(WaveVolume(-2), -10000);
    EXPECT_EQ(WaveVolume(1), 0);
    EXPECT_EQ(WaveVolume(3.5), 0);
    EXPECT_EQ(WavePan(0.25), -5000);
    EXPECT_EQ(WavePan(0.5), 0);
    EXPECT_EQ(WavePan(-0.1), -10000);
    EXPECT_EQ(WavePan(2), 10000);
    EXPECT_EQ(WaveFrequency(0), 100);
    EXPECT_EQ(WaveFrequency(0.5), 50050);
    EXPECT_EQ(WaveFrequency(-1), 100);
    EXPECT_EQ(WaveFrequency(1.01), 100000);
}

TEST(WaveSettings, HalvesGoToTheEvenNeighbour) {
    // 0.00015 x 10000 - 10000 is -9998.5 in doubles; 0.015 x 99900 + 100 is 1598.5.
    EXPECT_EQ(WaveVolume(0.00015), -9998);
    EXPECT_EQ(WavePan(0.000075), -9998);
    EXPECT_EQ(WaveFrequency(0.015), 1598);
}

TEST(WaveSettings, ANumberThatIsNotANumberCountsAsZero) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(WaveVolume(nan), -10000);
    EXPECT_EQ(WavePan(nan), -10000);
    EXPECT_EQ(WaveFrequency(nan), 100);
}

} // namespace
} // namespace velkaro
