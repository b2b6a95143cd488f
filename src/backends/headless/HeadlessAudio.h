#pragma once

#include "backends/headless/Transcript.h"
#include "platform/Audio.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

namespace velkaro {

class Clock;

// How long a WAV file plays: the size of its "data" chunk divided by its byte rate, in whole
// milliseconds. None when the file is not a RIFF "WAVE" file with a format of at least 16 bytes
// (and a byte rate above 0) and a data chunk, or cannot be read.
std::optional<std::int64_t> WaveDurationMs(const std::filesystem::path& file);

// The sound hardware of a headless run: nothing is heard, and what would have been is written
// to the transcript, one line per call that starts, stops or changes a sound:
//   {"kind":"sound","action":"play","sound":N,"loop":B}   PlayWave, PlayMemoryWave, PlayMedia
//   {"kind":"sound","action":"stop","sound":N}            StopWave, StopMemoryWave, CloseMedia
//   {"kind":"sound","action":"volume"/"pan"/"frequency","sound":N,"value":V}  in device units
//   {"kind":"music","action":"play","file":F}             PlayMedia of the music player
//   {"kind":"music","action":"stop"}                      CloseMedia of the music player
// The media player of sounds does not loop by itself: the sound player replays a looping piece
// when it ends, so each restart is a play line of its own, and its play lines say the loop
// the caller means to make. File names are written as UTF-8 paths.
//
// Setting up writes nothing, as nothing is heard: opening and closing the wave output, loading
// and releasing waves, opening and rewinding media. Neither do calls a real device would
// ignore: a copy of a sound that is not loaded, a copy out of range, an effect on a sound
// loaded without effects, stopping the simple playback or closing a media player when it
// holds nothing.
//
// The wave output can be made absent to run a game on the simple playback; loading checks
// that the file is a WAV file, so that a broken one sends the game there as a real device
// would.
//
// Media have an end, measured on the run's clock: a file that is a WAV file by its content
// lasts as long as its data (data size / byte rate); anything else plays forever. Nothing
// ends by itself: the runner calls DeliverMediaEnds once a step, before the step runs, and the
// end handlers of the players whose media have played out by then run inside that call. So
// an end is noticed at the first step at or after it, and a piece that would have ended
// several times in one step's time (a short looping one) ends once per step.
class HeadlessAudio : public Audio {
public:
    // `transcript` and `clock` must outlive the audio.
    HeadlessAudio(Transcript& transcript, Clock& clock, bool waveOutput = true)
        : transcript_(transcript), clock_(clock), waveOutputPresent_(waveOutput) {}

    // Runs the end handler of every media player whose media has played to its end by now.
    void DeliverMediaEnds();

    bool OpenWaveOutput() override;
    void CloseWaveOutput() override;
    bool LoadWave(int sound, const std::filesystem::path& file, int copies, bool effects) override;
    void ReleaseWave(int sound) override;
    void PlayWave(int sound, int copy, bool loop) override;
    void StopWave(int sound, int copy) override;
    void SetWaveVolume(int sound, int copy, std::int32_t hundredthsDb) override;
    void SetWavePan(int sound, int copy, std::int32_t pan) override;
    void SetWaveFrequency(int sound, int copy, std::int32_t hertz) override;

    void PlayMemoryWave(int sound, std::span<const std::uint8_t> wave, bool loop) override;
    void StopMemoryWave() override;

    bool OpenMedia(MediaPlayer player, const std::filesystem::path& file, int sound) override;
    void PlayMedia(MediaPlayer player, bool loop) override;
    void RewindMedia(MediaPlayer player) override;
    void CloseMedia(MediaPlayer player) override;
    void SetMediaEndHandler(MediaPlayer player, std::function<void()> handler) override;

private:
    struct LoadedWave {
        int copies = 0;
        bool effects = false;
    };

    // One media player: the file it holds and where in it the playback is.
    struct Media {
        bool open = false;
        std::filesystem::path file;
        int sound = 0;
        // None: plays forever.
        std::optional<std::int64_t> duration;
        bool playing = false;
        // Milliseconds into the media when the playback started or stopped.
        std::int64_t position = 0;
        // Clock time at which the playback started from `position`.
        std::int64_t startedAt = 0;
        std::function<void()> onEnd;
    };

    // The loaded sound whose copy `copy` (or every copy) a call names; null when a real device
    // would ignore the call.
    const LoadedWave* Target(int sound, int copy) const;
    void WriteSetting(const char* action, int sound, int copy, std::int32_t value);
    Media& Of(MediaPlayer player) { return media_[static_cast<std::size_t>(player)]; }
    // The position of a playing medium now.
    std::int64_t PositionNow(const Media& media);
    bool Due(Media& media);

    Transcript& transcript_;
    Clock& clock_;
    const bool waveOutputPresent_;
    bool waveOutputOpen_ = false;
    std::map<int, LoadedWave> waves_;
    // The sound the simple playback plays, if any.
    std::optional<int> memoryWave_;
    std::array<Media, 2> media_;
};

} // namespace velkaro
