#include "backends/headless/HeadlessAudio.h"

#include "backends/headless/VirtualClock.h"
#include "shell/BackgroundMusicUnit.h"
#include "shell/MusicUnit.h"
#include "support/GameFileBuilder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace velkaro {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

void Put32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void PutTag(std::vector<std::uint8_t>& bytes, const char* tag) {
    bytes.insert(bytes.end(), tag, tag + 4);
}

void PutChunk(std::vector<std::uint8_t>& bytes, const char* tag,
              const std::vector<std::uint8_t>& body) {
    PutTag(bytes, tag);
    Put32(bytes, static_cast<std::uint32_t>(body.size()));
    bytes.insert(bytes.end(), body.begin(), body.end());
    if (body.size() % 2 != 0) {
        bytes.push_back(0);
    }
}

// A format chunk's body: PCM, mono, 8 bits, with the given byte rate, and `extra` more bytes.
std::vector<std::uint8_t> Format(std::uint32_t byteRate, std::size_t extra = 0) {
    std::vector<std::uint8_t> body = {1, 0, 1, 0};
    Put32(body, byteRate); // sample rate: one byte a sample
    Put32(body, byteRate);
    body.insert(body.end(), {1, 0, 8, 0});
    body.resize(body.size() + extra, 0);
    return body;
}

// A WAV file of `dataSize` bytes of samples; `before` chunks come ahead of the format.
std::vector<std::uint8_t> Wave(std::uint32_t dataSize, std::uint32_t byteRate,
                               const std::vector<std::uint8_t>& format = {},
                               const std::vector<std::uint8_t>& before = {}) {
    std::vector<std::uint8_t> body;
    PutTag(body, "WAVE");
    body.insert(body.end(), before.begin(), before.end());
    PutChunk(body, "fmt ", format.empty() ? Format(byteRate) : format);
    PutChunk(body, "data", std::vector<std::uint8_t>(dataSize, 0x80));
    std::vector<std::uint8_t> file;
    PutChunk(file, "RIFF", body);
    return file;
}

TEST(WaveDuration, IsTheDataSizeOverTheByteRate) {
    test::TempDir dir;
    EXPECT_EQ(WaveDurationMs(dir.Write("a.wav", Wave(22050, 44100))), 500);
    EXPECT_EQ(WaveDurationMs(dir.Write("b.wav", Wave(1000, 3000))), 333);
    EXPECT_EQ(WaveDurationMs(dir.Write("c.wav", Wave(0, 8000))), 0);
}

TEST(WaveDuration, OtherChunksAndLongerFormatsAreSteppedOver) {
    test::TempDir dir;
    std::vector<std::uint8_t> list;
    PutChunk(list, "LIST", {'I', 'N', 'F', 'O', 'x'}); // odd size: a pad byte follows
    EXPECT_EQ(WaveDurationMs(dir.Write("a.wav", Wave(4000, 2000, Format(2000, 2), list))), 2000);
}

TEST(WaveDuration, IsNoneForWhatIsNotAPlayableWaveFile) {
    test::TempDir dir;
    EXPECT_EQ(WaveDurationMs(dir.Path() / "missing.wav"), std::nullopt);
    EXPECT_EQ(WaveDurationMs(dir.WriteText("a.mid", "MThd")), std::nullopt);
    EXPECT_EQ(WaveDurationMs(dir.Write("rate0.wav", Wave(100, 0))), std::nullopt);
    std::vector<std::uint8_t> shortFormat = Format(8000);
    shortFormat.resize(14);
    EXPECT_EQ(WaveDurationMs(dir.Write("short.wav", Wave(100, 8000, shortFormat))), std::nullopt);
    std::vector<std::uint8_t> noData = Wave(100, 8000);
    noData.resize(12 + 8 + 16); // RIFF header and format only
    EXPECT_EQ(WaveDurationMs(dir.Write("nodata.wav", noData)), std::nullopt);
}

class HeadlessAudioTest : public ::testing::Test {
protected:
    // The transcript lines written since the last call.
    std::vector<std::string> Lines() {
        std::vector<std::string> lines;
        std::istringstream in(out_.str());
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        out_.str("");
        return lines;
    }

    // Moves the run on to `step`, `ms` later, as the runner does, and delivers what ended.
    void Step(long step, std::int64_t ms) {
        clock_.Sleep(ms);
        transcript_.SetStep(step);
        audio_.DeliverMediaEnds();
    }

    test::TempDir dir_;
    std::ostringstream out_;
    Transcript transcript_{out_};
    VirtualClock clock_;
    HeadlessAudio audio_{transcript_, clock_};
};

TEST_F(HeadlessAudioTest, WaveCallsWriteWhatIsHeardInDeviceUnits) {
    ASSERT_TRUE(audio_.OpenWaveOutput());
    ASSERT_TRUE(audio_.LoadWave(2, dir_.Write("boom.wav", Wave(100, 8000)), 3, true));
    transcript_.SetStep(3);
    audio_.PlayWave(2, 1, true);
    audio_.PlayWave(2, 2, false);
    audio_.SetWaveVolume(2, kEveryCopy, -5000);
    audio_.SetWavePan(2, 0, 10000);
    audio_.SetWaveFrequency(2, kEveryCopy, 50050);
    audio_.StopWave(2, kEveryCopy);
    EXPECT_THAT(
        Lines(),
        ElementsAre(R"({"step":3,"kind":"sound","action":"play","sound":2,"loop":true})",
                    R"({"step":3,"kind":"sound","action":"play","sound":2,"loop":false})",
                    R"({"step":3,"kind":"sound","action":"volume","sound":2,"value":-5000})",
                    R"({"step":3,"kind":"sound","action":"pan","sound":2,"value":10000})",
                    R"({"step":3,"kind":"sound","action":"frequency","sound":2,"value":50050})",
                    R"({"step":3,"kind":"sound","action":"stop","sound":2})"));
}

TEST_F(HeadlessAudioTest, CallsARealDeviceWouldIgnoreWriteNothing) {
    audio_.OpenWaveOutput();
    audio_.LoadWave(2, dir_.Write("boom.wav", Wave(100, 8000)), 3, false);
    audio_.PlayWave(7, 0, false);                // not loaded
    audio_.PlayWave(2, 3, false);                // copies are 0..2
    audio_.PlayWave(2, kEveryCopy, false);       // a play is of one copy
    audio_.SetWaveVolume(2, 0, -100);            // loaded without effects
    audio_.StopMemoryWave();                     // nothing playing
    audio_.PlayMedia(MediaPlayer::Sound, false); // nothing open
    audio_.CloseMedia(MediaPlayer::Music);       // nothing open
    audio_.ReleaseWave(2);
    audio_.StopWave(2, kEveryCopy);
    EXPECT_THAT(Lines(), IsEmpty());
}

TEST_F(HeadlessAudioTest, OnlyAWaveFileLoadsAndOnlyWhileTheOutputIsOpen) {
    const auto wave = dir_.Write("boom.wav", Wave(100, 8000));
    EXPECT_FALSE(audio_.LoadWave(1, wave, 1, false));
    ASSERT_TRUE(audio_.OpenWaveOutput());
    EXPECT_FALSE(audio_.LoadWave(1, dir_.WriteText("fake.wav", "not a wave"), 1, false));
    EXPECT_FALSE(audio_.LoadWave(1, dir_.Path() / "missing.wav", 1, false));
    EXPECT_TRUE(audio_.LoadWave(1, wave, 1, false));
    audio_.CloseWaveOutput();
    audio_.PlayWave(1, 0, false);
    EXPECT_THAT(Lines(), IsEmpty());

    std::ostringstream out;
    Transcript transcript(out);
    HeadlessAudio without(transcript, clock_, false);
    EXPECT_FALSE(without.OpenWaveOutput());
    EXPECT_FALSE(without.LoadWave(1, wave, 1, false));
}

TEST_F(HeadlessAudioTest, TheSimplePlaybackStopsTheWaveItPlaysLast) {
    const std::vector<std::uint8_t> bytes = Wave(10, 8000);
    audio_.PlayMemoryWave(4, bytes, true);
    audio_.PlayMemoryWave(5, bytes, false);
    audio_.StopMemoryWave();
    audio_.StopMemoryWave();
    EXPECT_THAT(Lines(),
                ElementsAre(R"({"step":0,"kind":"sound","action":"play","sound":4,"loop":true})",
                            R"({"step":0,"kind":"sound","action":"play","sound":5,"loop":false})",
                            R"({"step":0,"kind":"sound","action":"stop","sound":5})"));
}

TEST_F(HeadlessAudioTest, MediaPlayersWriteTheSoundNumberOrTheMusicFile) {
    ASSERT_TRUE(audio_.OpenMedia(MediaPlayer::Sound, dir_.WriteText("tune.mid", "MThd"), 3));
    audio_.PlayMedia(MediaPlayer::Sound, true);
    audio_.CloseMedia(MediaPlayer::Sound);
    const auto song = dir_.WriteText("M\xC3\xBCsik.mp3", "ID3");
    ASSERT_TRUE(audio_.OpenMedia(MediaPlayer::Music, song, 0));
    audio_.PlayMedia(MediaPlayer::Music, true);
    audio_.CloseMedia(MediaPlayer::Music);
    EXPECT_FALSE(audio_.OpenMedia(MediaPlayer::Music, dir_.Path() / "gone.mid", 0));
    EXPECT_THAT(Lines(),
                ElementsAre(R"({"step":0,"kind":"sound","action":"play","sound":3,"loop":true})",
                            R"({"step":0,"kind":"sound","action":"stop","sound":3})",
                            R"({"step":0,"kind":"music","action":"play","file":")" + song.string() +
                                R"("})",
                            R"({"step":0,"kind":"music","action":"stop"})"));
}

TEST_F(HeadlessAudioTest, AWaveMediumEndsWhenItsDataHasPlayed) {
    int ends = 0;
    audio_.SetMediaEndHandler(MediaPlayer::Music, [&ends] { ++ends; });
    ASSERT_TRUE(audio_.OpenMedia(MediaPlayer::Music, dir_.Write("a.wav", Wave(2205, 4410)), 0));
    audio_.PlayMedia(MediaPlayer::Music, false);
    Step(1, 499);
    EXPECT_EQ(ends, 0);
    Step(2, 1);
    EXPECT_EQ(ends, 1);
    // At its end it stays stopped until played again.
    Step(3, 1000);
    EXPECT_EQ(ends, 1);
    audio_.RewindMedia(MediaPlayer::Music);
    audio_.PlayMedia(MediaPlayer::Music, false);
    Step(4, 500);
    EXPECT_EQ(ends, 2);
}

TEST_F(HeadlessAudioTest, RewindingAPlayingMediumStartsItsTimeAgain) {
    int ends = 0;
    audio_.SetMediaEndHandler(MediaPlayer::Sound, [&ends] { ++ends; });
    audio_.OpenMedia(MediaPlayer::Sound, dir_.Write("a.wav", Wave(2205, 4410)), 1);
    audio_.PlayMedia(MediaPlayer::Sound, false);
    Step(1, 400);
    audio_.RewindMedia(MediaPlayer::Sound);
    Step(2, 400);
    EXPECT_EQ(ends, 0);
    Step(3, 100);
    EXPECT_EQ(ends, 1);
}

TEST_F(HeadlessAudioTest, OtherMediaPlayForeverAndClosedOnesNeverEnd) {
    int ends = 0;
    audio_.SetMediaEndHandler(MediaPlayer::Music, [&ends] { ++ends; });
    audio_.SetMediaEndHandler(MediaPlayer::Sound, [&ends] { ++ends; });
    audio_.OpenMedia(MediaPlayer::Music, dir_.WriteText("long.mid", "MThd"), 0);
    audio_.PlayMedia(MediaPlayer::Music, false);
    audio_.OpenMedia(MediaPlayer::Sound, dir_.Write("short.wav", Wave(10, 1000)), 1);
    audio_.PlayMedia(MediaPlayer::Sound, false);
    audio_.CloseMedia(MediaPlayer::Sound);
    Step(1, 24 * 60 * 60 * 1000);
    EXPECT_EQ(ends, 0);
}

// The sound player and the background music on the headless audio, stepped as a run is.
class HeadlessPlaybackTest : public HeadlessAudioTest {
protected:
    void AddSound(const std::string& fileName, bool effects) {
        CSound& sound = sounds_.Add();
        sound.fileName = fileName;
        sound.fileExists = files_.FileExists(fileName);
        sound.effectsAllowed = effects;
    }

    Files files_{dir_.Path()};
    CSoundList sounds_;
};

TEST_F(HeadlessPlaybackTest, ALoopingMediaSoundRestartsAtItsEndAndSaysItLoops) {
    // Not a .wav name, so it plays in the media player; its content says it lasts 500 ms.
    dir_.Write("jingle.snd", Wave(4000, 8000));
    AddSound("jingle.snd", false);
    CSoundPlayer player(audio_, sounds_, files_, false);
    player.StartSounds();
    for (long step = 1; step <= 20; ++step) {
        Step(step, 100);
        if (step == 1) {
            EXPECT_TRUE(player.PlayGameSound(1, 2));
        }
        if (step == 12) {
            // Played once now: it ends at step 17 and nothing plays it again.
            EXPECT_TRUE(player.PlayGameSound(1, 0));
        }
    }
    player.EndSounds();
    EXPECT_THAT(Lines(),
                ElementsAre(R"({"step":1,"kind":"sound","action":"play","sound":1,"loop":true})",
                            R"({"step":6,"kind":"sound","action":"play","sound":1,"loop":true})",
                            R"({"step":11,"kind":"sound","action":"play","sound":1,"loop":true})",
                            R"({"step":12,"kind":"sound","action":"play","sound":1,"loop":false})",
                            R"({"step":20,"kind":"sound","action":"stop","sound":1})"));
}

TEST_F(HeadlessPlaybackTest, WaveSoundsReachTheTranscriptWithTheirGameNumbers) {
    dir_.Write("Boom.wav", Wave(100, 8000));
    dir_.Write("ping.wav", Wave(100, 8000));
    AddSound("boom.wav", true);
    AddSound("ping.wav", false);
    CSoundPlayer player(audio_, sounds_, files_, false);
    ASSERT_TRUE(player.StartSounds());
    transcript_.SetStep(3);
    player.PlayGameSound(2, 1);
    player.SetSoundVolume(1, 0.5);
    player.SetSoundPan(1, 2);
    player.StopGameSound(2);
    EXPECT_THAT(
        Lines(),
        ElementsAre(R"({"step":3,"kind":"sound","action":"play","sound":2,"loop":true})",
                    R"({"step":3,"kind":"sound","action":"volume","sound":1,"value":-5000})",
                    R"({"step":3,"kind":"sound","action":"pan","sound":1,"value":10000})",
                    R"({"step":3,"kind":"sound","action":"stop","sound":2})"));
}

TEST_F(HeadlessPlaybackTest, ABrokenWaveFileStaysSilentAndTheOthersKeepTheWaveOutput) {
    dir_.WriteText("bad.wav", "RIFF but nothing else");
    dir_.Write("ping.wav", Wave(100, 8000));
    AddSound("ping.wav", true);
    AddSound("bad.wav", true);
    CSoundPlayer player(audio_, sounds_, files_, false);
    EXPECT_TRUE(player.StartSounds());
    EXPECT_TRUE(player.PlayGameSound(2, 0)) << "the file is there: no error for the game";
    player.SetSoundVolume(2, 0.5);
    player.PlayGameSound(1, 0);
    player.SetSoundVolume(1, 0.5);
    EXPECT_THAT(
        Lines(),
        ElementsAre(R"({"step":0,"kind":"sound","action":"play","sound":1,"loop":false})",
                    R"({"step":0,"kind":"sound","action":"volume","sound":1,"value":-5000})"));
}

TEST_F(HeadlessPlaybackTest, BackgroundMusicGoesFromTrackToTrackAsEachEnds) {
    const auto first = dir_.Write("a.wav", Wave(2400, 8000));  // 300 ms
    const auto second = dir_.Write("b.wav", Wave(1600, 8000)); // 200 ms
    CBackgroundMusic music(audio_, files_);
    music.StartMusic(2, {dir_.Path().string() + "/a.wav", dir_.Path().string() + "/b.wav"});
    for (long step = 1; step <= 9; ++step) {
        Step(step, 100);
    }
    music.StopMusic();
    const auto play = [](int step, const std::filesystem::path& file) {
        return R"({"step":)" + std::to_string(step) +
               R"(,"kind":"music","action":"play","file":")" + file.string() + R"("})";
    };
    EXPECT_THAT(Lines(),
                ElementsAre(play(0, first), play(3, second), play(5, first), play(8, second),
                            R"({"step":9,"kind":"music","action":"stop"})"));
}

} // namespace
} // namespace velkaro
