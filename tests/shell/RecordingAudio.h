#pragma once

// A fake of the platform's sound hardware for tests of the sound player and the background
// music: every call is kept, in order, as one line of text, and the tests decide what fails
// and when a piece of media ends.

#include "platform/Audio.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace velkaro::test {

class RecordingAudio : public Audio {
public:
    // What the fake answers.
    bool waveOutputPresent = true;
    // Sounds whose LoadWave fails.
    std::set<int> brokenWaves;
    // Files OpenMedia cannot open, by file name.
    std::set<std::string> brokenMedia;

    std::vector<std::string> calls;
    // The bytes handed to the simple playback last.
    std::vector<std::uint8_t> memoryWave;

    // The player's media has played to its end.
    void End(MediaPlayer player) {
        if (auto handler = Handler(player)) {
            handler();
        }
    }
    // The calls since the last Take, and forgets them.
    std::vector<std::string> Take() {
        std::vector<std::string> taken;
        taken.swap(calls);
        return taken;
    }

    bool OpenWaveOutput() override {
        calls.push_back(waveOutputPresent ? "open wave output" : "open wave output: none");
        return waveOutputPresent;
    }
    void CloseWaveOutput() override { calls.push_back("close wave output"); }
    bool LoadWave(int sound, const std::filesystem::path& file, int copies, bool effects) override {
        calls.push_back("load " + std::to_string(sound) + " " + file.filename().string() + " x" +
                        std::to_string(copies) + (effects ? " effects" : "") +
                        (brokenWaves.count(sound) != 0 ? ": fails" : ""));
        return brokenWaves.count(sound) == 0;
    }
    void ReleaseWave(int sound) override { calls.push_back("release " + std::to_string(sound)); }
    void PlayWave(int sound, int copy, bool loop) override {
        calls.push_back("play " + std::to_string(sound) + " copy " + std::to_string(copy) +
                        (loop ? " loop" : ""));
    }
    void StopWave(int sound, int copy) override {
        calls.push_back("stop " + std::to_string(sound) + " " + Copy(copy));
    }
    void SetWaveVolume(int sound, int copy, std::int32_t value) override {
        Setting("volume", sound, copy, value);
    }
    void SetWavePan(int sound, int copy, std::int32_t value) override {
        Setting("pan", sound, copy, value);
    }
    void SetWaveFrequency(int sound, int copy, std::int32_t value) override {
        Setting("frequency", sound, copy, value);
    }
    void PlayMemoryWave(int sound, std::span<const std::uint8_t> wave, bool loop) override {
        calls.push_back("play memory " + std::to_string(sound) + (loop ? " loop" : ""));
        memoryWave.assign(wave.begin(), wave.end());
    }
    void StopMemoryWave() override { calls.push_back("stop memory"); }
    bool OpenMedia(MediaPlayer player, const std::filesystem::path& file, int sound) override {
        const bool broken = brokenMedia.count(file.filename().string()) != 0;
        calls.push_back("open " + Name(player) + " " + file.filename().string() +
                        (player == MediaPlayer::Sound ? " as " + std::to_string(sound) : "") +
                        (broken ? ": fails" : ""));
        lastOpened = file;
        return !broken;
    }
    // The loop the caller means to make is seen in the headless transcript's tests.
    void PlayMedia(MediaPlayer player, bool) override { calls.push_back("play " + Name(player)); }
    void RewindMedia(MediaPlayer player) override { calls.push_back("rewind " + Name(player)); }
    void CloseMedia(MediaPlayer player) override { calls.push_back("close " + Name(player)); }
    void SetMediaEndHandler(MediaPlayer player, std::function<void()> handler) override {
        Handler(player) = std::move(handler);
    }

    // The full path of the file opened last.
    std::filesystem::path lastOpened;

private:
    static std::string Name(MediaPlayer player) {
        return player == MediaPlayer::Sound ? "sound media" : "music";
    }
    static std::string Copy(int copy) {
        return copy == kEveryCopy ? "all" : "copy " + std::to_string(copy);
    }
    void Setting(const char* what, int sound, int copy, std::int32_t value) {
        calls.push_back(std::string(what) + " " + std::to_string(sound) + " " + Copy(copy) + " " +
                        std::to_string(value));
    }
    std::function<void()>& Handler(MediaPlayer player) {
        return player == MediaPlayer::Sound ? soundEnd_ : musicEnd_;
    }

    std::function<void()> soundEnd_;
    std::function<void()> musicEnd_;
};

} // namespace velkaro::test
