#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace velkaro {

// The samples of a WAV file, read where they lie: the view holds no bytes of its own, so the
// bytes must outlive it.
struct WaveSamples {
    const std::uint8_t* data = nullptr;
    std::size_t frames = 0;
    // Only the first two are heard (left and right); a mono sound is heard on both sides.
    int channels = 1;
    // 1 (unsigned), 2, 3 or 4 (signed, or IEEE floating point when `floating`).
    int bytesPerSample = 2;
    bool floating = false;
    // Frames per second.
    std::int32_t rate = 0;

    // Sample `channel` of frame `frame`, from -1 to 1.
    float At(std::size_t frame, int channel) const;
};

// The samples of the WAV file `file`: a RIFF "WAVE" file whose format is integer PCM of 8, 16,
// 24 or 32 bits or floating point of 32 bits (also in the extensible form), at a rate above 0,
// followed somewhere by its data. A data chunk cut short by the end of the file holds the
// frames that are there. None for anything else.
std::optional<WaveSamples> ReadWave(std::span<const std::uint8_t> file);

// The factor of an attenuation in hundredths of a decibel: 0 is 1, -2000 is 0.1, and -10000
// (the bottom of the range) silence.
float LevelOf(std::int32_t hundredthsDb);

// One copy of a sound as the mixer plays it: where in its samples it is, whether it sounds,
// and its volume, balance and playback rate, which last from one play to the next.
class WaveVoice {
public:
    explicit WaveVoice(const WaveSamples& samples) : samples_(samples), rate_(samples.rate) {}

    // From the start, over and over when `loop`.
    void Play(bool loop);
    void Stop() { playing_ = false; }
    bool Playing() const { return playing_; }

    void SetVolume(std::int32_t hundredthsDb);
    // -10000 silences the right side, 10000 the left; in between the far side is lowered by
    // |pan| hundredths of a decibel and the near side keeps its level.
    void SetPan(std::int32_t pan);
    // Samples per second, 100 to 100000: twice the sound's own rate plays it twice as fast, an
    // octave higher.
    void SetFrequency(std::int32_t hertz);

    // Adds the voice's next frames to `stereo`, left and right interleaved, played at
    // `deviceRate` frames per second; the voice moves on by as much. Linear interpolation
    // between the sound's frames.
    void MixInto(std::span<float> stereo, std::int32_t deviceRate);

private:
    void UpdateGains();

    WaveSamples samples_;
    std::int32_t rate_;
    bool playing_ = false;
    bool loop_ = false;
    // In frames of the sound, with the fraction between two.
    double position_ = 0;
    float level_ = 1;
    std::int32_t pan_ = 0;
    float leftGain_ = 1;
    float rightGain_ = 1;
};

} // namespace velkaro
