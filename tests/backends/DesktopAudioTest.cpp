#include "backends/desktop/DesktopAudio.h"

#include "base/CallQueue.h"
#include "support/GameFileBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// The desktop's sound output on SDL's "disk" driver, which writes what the device would play
// to a file, in real time: the sounds are short, and found in the file by their frames.

namespace velkaro {
namespace {

constexpr std::size_t kDeviceRate = 44100;
constexpr std::size_t kBuffer = 512;
using Clock = std::chrono::steady_clock;

// An environment variable set for as long as the object lives.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A WAV file of a square wave at half the full level, 441 cycles a second, the same on every
// channel; `bits` 8 or 16.
std::vector<std::uint8_t> SquareWave(int rate, int channels, int bits, int frames) {
    std::vector<std::uint8_t> file;
    const auto put = [&file](long value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    };
    const int bytes = bits / 8;
    const long dataSize = frames * channels * bytes;
    file = {'R', 'I', 'F', 'F'};
    put(36 + dataSize, 4);
    file.insert(file.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0});
    put(channels, 2);
    put(rate, 4);
    put(rate * channels * bytes, 4);
    put(channels * bytes, 2);
    put(bits, 2);
    file.insert(file.end(), {'d', 'a', 't', 'a'});
    put(dataSize, 4);
    for (int frame = 0; frame < frames; ++frame) {
        const double value = (frame / (rate / 882)) % 2 == 0 ? 0.5 : -0.5;
        for (int channel = 0; channel < channels; ++channel) {
            put(bits == 8 ? std::lround(128 + value * 127) : std::lround(value * 32767), bytes);
        }
    }
    return file;
}

// A MIDI file of one piano note, A above middle C, held for 48 of 96 ticks a quarter note at
// 120 quarter notes a minute: 250 ms.
std::vector<std::uint8_t> OneNoteMidi() {
    const std::vector<std::uint8_t> track = {
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, // tempo: 500000 us a quarter note
        0x00, 0xC0, 0x00,                         // piano
        0x00, 0x90, 69,   100,                    // note on
        48,   0x80, 69,   64,                     // note off
        0x00, 0xFF, 0x2F, 0x00,                   // end of track
    };
    std::vector<std::uint8_t> file = {'M', 'T', 'h', 'd', 0,   0,   0,   6, 0, 0, 0,
                                      1,   0,   96,  'M', 'T', 'r', 'k', 0, 0, 0};
    file.push_back(static_cast<std::uint8_t>(track.size()));
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

// Where a sound was found in the device's output, in frames.
struct Found {
    std::size_t start = 0;
    std::size_t end = 0;
    std::size_t Length() const { return end - start; }
};

class DesktopAudioTest : public ::testing::Test {
protected:
    // Waits until the device has been given `frames` frames since it opened.
    static void WaitFor(const DesktopAudio& audio, std::uint64_t frames) {
        const auto deadline = Clock::now() + std::chrono::seconds(5);
        while (audio.FramesDelivered() < frames && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_GE(audio.FramesDelivered(), frames) << "the device stopped taking sound";
    }

    // What the device played, left and right interleaved; complete once the audio is gone.
    void ReadOutput() { output_ = test::ReadAllBytes(deviceFile_); }
    int Sample(std::size_t frame, int channel) const {
        const std::size_t at = (frame * 2 + static_cast<std::size_t>(channel)) * 2;
        return static_cast<std::int16_t>(output_[at] | output_[at + 1] << 8);
    }
    std::size_t Frames() const { return output_.size() / 4; }
    // The first and past the last frame in [from, to) that is not silent.
    std::optional<Found> Sounding(std::size_t from, std::size_t to) const {
        std::optional<Found> found;
        for (std::size_t frame = from; frame < std::min(to, Frames()); ++frame) {
            if (Sample(frame, 0) != 0 || Sample(frame, 1) != 0) {
                found = Found{found ? found->start : frame, frame + 1};
            }
        }
        return found;
    }
    double Rms(const Found& found, int channel) const {
        double sum = 0;
        for (std::size_t frame = found.start; frame < found.end; ++frame) {
            sum += static_cast<double>(Sample(frame, channel)) * Sample(frame, channel);
        }
        return std::sqrt(sum / static_cast<double>(found.Length()));
    }

    // Waits up to two seconds for the audio to post a call.
    bool AwaitPost() {
        const auto deadline = Clock::now() + std::chrono::seconds(2);
        while (posts_ == 0 && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return posts_ > 0;
    }
    // Runs the calls posted so far, as the game's thread does between operations.
    int RunPosted() {
        posts_ = 0;
        return calls_.RunPending();
    }
    // Posts into calls_, noting how far the watched audio had played then.
    DesktopAudio::Post Poster() {
        return [this](std::function<void()> call) {
            if (const DesktopAudio* audio = watched_) {
                postedAt_ = audio->FramesDelivered();
            }
            calls_.Post(std::move(call));
        };
    }

    test::TempDir dir_;
    const std::filesystem::path deviceFile_ = dir_.Path() / "device.raw";
    ScopedEnv driver_{"SDL_AUDIODRIVER", "disk"};
    ScopedEnv file_{"SDL_DISKAUDIOFILE", deviceFile_.string()};
    std::atomic<const DesktopAudio*> watched_{nullptr};
    std::atomic<std::uint64_t> postedAt_{0};
    std::atomic<int> posts_{0};
    CallQueue calls_{[this] { ++posts_; }};
    std::vector<std::uint8_t> output_;
};

TEST_F(DesktopAudioTest, WavesSoundAtOnceWithTheirLengthLevelBalanceAndRate) {
    auto audio = std::make_unique<DesktopAudio>(Poster());
    ASSERT_TRUE(audio->OpenWaveOutput());
    // A file that is not a WAV file loads nothing, and the output stays for the others.
    EXPECT_FALSE(audio->LoadWave(9, dir_.WriteText("bad.wav", "RIFF, and nothing more"), 1, true));
    // 100 ms each: 16-bit mono at 22050 Hz, 8-bit stereo at 11025 Hz.
    ASSERT_TRUE(
        audio->LoadWave(1, dir_.Write("mono.wav", SquareWave(22050, 1, 16, 2205)), 2, true));
    ASSERT_TRUE(
        audio->LoadWave(2, dir_.Write("stereo.wav", SquareWave(11025, 2, 8, 1103)), 1, true));
    const std::vector<std::uint8_t> memory = SquareWave(44100, 1, 16, 2205); // 50 ms
    audio->PlayWave(9, 0, false);

    // Plays, and waits until `frames` more have been played; answers the frames played before
    // the call. The sound goes into the first buffer mixed after the call: the time until that
    // buffer has been handed to the device is the latency.
    std::vector<double> latencies;
    std::size_t firstCalled = 0;
    const auto play = [&](const std::function<void()>& start, std::size_t frames) {
        const std::uint64_t from = audio->FramesDelivered();
        const auto called = Clock::now();
        start();
        firstCalled = firstCalled == 0 ? audio->FramesDelivered() : firstCalled;
        while (audio->FramesDelivered() == from &&
               Clock::now() - called < std::chrono::seconds(2)) {
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
        latencies.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - called).count());
        WaitFor(*audio, from + frames + 4 * kBuffer);
        return static_cast<std::size_t>(from);
    };
    const std::size_t firstFrom = play([&] { audio->PlayWave(1, 0, false); }, 4410);
    audio->SetWaveVolume(1, kEveryCopy, -5000);
    const std::size_t quiet = play([&] { audio->PlayWave(1, 1, false); }, 4410);
    audio->SetWaveVolume(1, kEveryCopy, 0);
    audio->SetWaveFrequency(1, kEveryCopy, 44100);
    const std::size_t fast = play([&] { audio->PlayWave(1, 0, false); }, 2205);
    audio->SetWavePan(2, kEveryCopy, -10000);
    const std::size_t left = play([&] { audio->PlayWave(2, 0, false); }, 4410);
    // The simple playback loops its 50 ms until stopped after 100 ms.
    const std::size_t looped = play([&] { audio->PlayMemoryWave(3, memory, true); }, 4410);
    audio->StopMemoryWave();
    const std::uint64_t stopped = audio->FramesDelivered();
    WaitFor(*audio, stopped + 4 * kBuffer);
    audio.reset();
    ReadOutput();

    const auto full = Sounding(firstFrom, quiet);
    ASSERT_TRUE(full);
    // Within the next buffer, give or take those the device played before it was started.
    EXPECT_LT(full->start, firstCalled + 3 * kBuffer);
    EXPECT_NEAR(full->Length(), 4410, 20);
    EXPECT_NEAR(Rms(*full, 0), 0.5 * 32767, 0.03 * 32767);
    EXPECT_NEAR(Rms(*full, 1), Rms(*full, 0), 1);
    std::cout << "[ latency  ] from the call to the device, in ms:";
    for (const double ms : latencies) {
        std::cout << " " << ms;
    }
    std::cout << "\n";

    const auto lowered = Sounding(quiet, fast);
    ASSERT_TRUE(lowered);
    EXPECT_NEAR(lowered->Length(), 4410, 20);
    EXPECT_NEAR(20 * std::log10(Rms(*lowered, 0) / Rms(*full, 0)), -50, 1);

    // Twice the file's rate: half as long.
    const auto doubled = Sounding(fast, left);
    ASSERT_TRUE(doubled);
    EXPECT_NEAR(doubled->Length(), 2205, 20);
    EXPECT_NEAR(Rms(*doubled, 0), Rms(*full, 0), 0.03 * 32767);

    const auto leftOnly = Sounding(left, looped);
    ASSERT_TRUE(leftOnly);
    EXPECT_NEAR(leftOnly->Length(), 4410, 20);
    EXPECT_NEAR(Rms(*leftOnly, 0), 0.5 * 32767, 0.03 * 32767);
    EXPECT_EQ(Rms(*leftOnly, 1), 0);

    const auto memoryPlayed = Sounding(looped, Frames());
    ASSERT_TRUE(memoryPlayed);
    EXPECT_GE(memoryPlayed->end, looped + 4410);
    EXPECT_LE(memoryPlayed->end, stopped + 3 * kBuffer);
}

TEST_F(DesktopAudioTest, AMediumEndReachesTheGameOnlyWhenItPlaysToItsEnd) {
    auto audio = std::make_unique<DesktopAudio>(Poster());
    watched_ = audio.get();
    int ends = 0;
    audio->SetMediaEndHandler(MediaPlayer::Music, [&ends] { ++ends; });
    const auto song = dir_.Write("song.wav", SquareWave(44100, 1, 16, 4410));
    ASSERT_TRUE(audio->OpenMedia(MediaPlayer::Music, song, 0));
    const std::uint64_t from = audio->FramesDelivered();
    audio->PlayMedia(MediaPlayer::Music, false);
    ASSERT_TRUE(AwaitPost());
    EXPECT_NEAR(static_cast<double>(postedAt_ - from), 4410, 2 * kBuffer);
    EXPECT_EQ(ends, 0); // not on the device's thread
    EXPECT_EQ(RunPosted(), 1);
    EXPECT_EQ(ends, 1);

    // Stopped while it plays: no end.
    audio->RewindMedia(MediaPlayer::Music);
    audio->PlayMedia(MediaPlayer::Music, false);
    audio->CloseMedia(MediaPlayer::Music);
    // Ended, but closed before the game took the end; and replaced by the other player.
    ASSERT_TRUE(audio->OpenMedia(MediaPlayer::Music, song, 0));
    audio->PlayMedia(MediaPlayer::Music, false);
    ASSERT_TRUE(AwaitPost());
    audio->CloseMedia(MediaPlayer::Music);
    ASSERT_TRUE(audio->OpenMedia(MediaPlayer::Music, song, 0));
    audio->PlayMedia(MediaPlayer::Music, false);
    ASSERT_TRUE(audio->OpenMedia(MediaPlayer::Sound, song, 1));
    WaitFor(*audio, audio->FramesDelivered() + 4410 + 4 * kBuffer);
    RunPosted();
    EXPECT_EQ(ends, 1);

    // Ended, and the audio gone before the game took the end.
    audio->SetMediaEndHandler(MediaPlayer::Sound, [&ends] { ++ends; });
    audio->PlayMedia(MediaPlayer::Sound, false);
    ASSERT_TRUE(AwaitPost());
    watched_ = nullptr;
    audio.reset();
    RunPosted();
    EXPECT_EQ(ends, 1);
}

TEST_F(DesktopAudioTest, AMidiFileIsHeardThroughTheSoundFontUntilItsLastNote) {
    std::error_code error;
    if (std::getenv("SDL_SOUNDFONTS") == nullptr &&
        !std::filesystem::exists("/usr/share/sounds/sf2/default-GM.sf2", error) &&
        !std::filesystem::exists("/usr/share/sounds/sf2/TimGM6mb.sf2", error) &&
        !std::filesystem::exists("/usr/share/sounds/sf2/FluidR3_GM.sf2", error) &&
        !std::filesystem::exists("/usr/share/sounds/sf3/default-GM.sf3", error)) {
        GTEST_SKIP() << "No General MIDI sound font is installed (timgm6mb-soundfont)";
    }
    auto audio = std::make_unique<DesktopAudio>(Poster());
    watched_ = audio.get();
    int ends = 0;
    audio->SetMediaEndHandler(MediaPlayer::Sound, [&ends] { ++ends; });
    ASSERT_TRUE(audio->OpenMedia(MediaPlayer::Sound, dir_.Write("note.mid", OneNoteMidi()), 1));
    const std::uint64_t from = audio->FramesDelivered();
    audio->PlayMedia(MediaPlayer::Sound, false);
    ASSERT_TRUE(AwaitPost());
    EXPECT_EQ(RunPosted(), 1);
    EXPECT_EQ(ends, 1);
    watched_ = nullptr;
    audio.reset();
    ReadOutput();

    EXPECT_NEAR(static_cast<double>(postedAt_ - from), 11025, 2 * kBuffer);
    const auto note = Sounding(from, from + 11025);
    ASSERT_TRUE(note) << "the MIDI note is not in the output";
    EXPECT_LT(note->start - from, 0.05 * kDeviceRate);
    EXPECT_GT(Rms(Found{note->start, from + 11025}, 0), 300);
}

TEST_F(DesktopAudioTest, WithoutASoundFontAMidiFileStillOpensAndEndsAfterItsNotes) {
    ScopedEnv fonts("SDL_SOUNDFONTS", (dir_.Path() / "missing.sf2").string());
    DesktopAudio audio(Poster());
    watched_ = &audio;
    int ends = 0;
    audio.SetMediaEndHandler(MediaPlayer::Music, [&ends] { ++ends; });
    ASSERT_TRUE(audio.OpenMedia(MediaPlayer::Music, dir_.Write("note.mid", OneNoteMidi()), 0));
    const std::uint64_t from = audio.FramesDelivered();
    audio.PlayMedia(MediaPlayer::Music, true);
    ASSERT_TRUE(AwaitPost());
    EXPECT_NEAR(static_cast<double>(postedAt_ - from), 11025, 2 * kBuffer);
    RunPosted();
    EXPECT_EQ(ends, 1);
    // A file that is neither MIDI nor anything else SDL_mixer knows does not open.
    EXPECT_FALSE(audio.OpenMedia(MediaPlayer::Music, dir_.WriteText("notes.txt", "la la"), 0));
}

TEST(DesktopAudioWithoutDevice, AnswersFalseAndDoesNothing) {
    ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
    test::TempDir dir;
    int posts = 0;
    DesktopAudio audio([&posts](std::function<void()>) { ++posts; });
    const auto wave = dir.Write("a.wav", SquareWave(8000, 1, 8, 80));
    const std::vector<std::uint8_t> memory = SquareWave(8000, 1, 8, 80);
    EXPECT_FALSE(audio.DeviceOpen());
    EXPECT_FALSE(audio.OpenWaveOutput());
    EXPECT_FALSE(audio.LoadWave(1, wave, 2, true));
    audio.PlayWave(1, 0, true);
    audio.SetWaveVolume(1, kEveryCopy, -100);
    audio.StopWave(1, kEveryCopy);
    audio.PlayMemoryWave(1, memory, true);
    audio.StopMemoryWave();
    EXPECT_FALSE(audio.OpenMedia(MediaPlayer::Sound, wave, 1));
    audio.PlayMedia(MediaPlayer::Sound, true);
    audio.RewindMedia(MediaPlayer::Sound);
    audio.CloseMedia(MediaPlayer::Sound);
    audio.CloseWaveOutput();
    EXPECT_EQ(audio.FramesDelivered(), 0u);
    EXPECT_EQ(posts, 0);
}

} // namespace
} // namespace velkaro
