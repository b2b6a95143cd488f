#pragma once

#include "platform/Audio.h"

namespace velkaro {

// Sound for a player without a sound device: the wave output and the media players are never
// there, so the game reads 0 as its "directsound" and plays on in silence. The desktop player
// uses it until it has its own sound output.
class SilentAudio final : public Audio {
public:
    bool OpenWaveOutput() override { return false; }
    void CloseWaveOutput() override {}
    bool LoadWave(int, const std::filesystem::path&, int, bool) override { return false; }
    void ReleaseWave(int) override {}
    void PlayWave(int, int, bool) override {}
    void StopWave(int, int) override {}
    void SetWaveVolume(int, int, std::int32_t) override {}
    void SetWavePan(int, int, std::int32_t) override {}
    void SetWaveFrequency(int, int, std::int32_t) override {}
    void PlayMemoryWave(int, std::span<const std::uint8_t>, bool) override {}
    void StopMemoryWave() override {}
    bool OpenMedia(MediaPlayer, const std::filesystem::path&, int) override { return false; }
    void PlayMedia(MediaPlayer, bool) override {}
    void RewindMedia(MediaPlayer) override {}
    void CloseMedia(MediaPlayer) override {}
    void SetMediaEndHandler(MediaPlayer, std::function<void()>) override {}
};

} // namespace velkaro
