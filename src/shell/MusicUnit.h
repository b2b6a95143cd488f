#pragma once

#include "base/Files.h"
#include "data/SoundClass.h"
#include "engine/GameServices.h"
#include "platform/Audio.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace velkaro {

// The 0..1 settings of the game mapped to the wave output's units: at or below 0 and at or
// above 1 the ends of the range, between them rounded to the nearest whole number, halves to
// the even neighbour. A value that is not a number counts as 0.
std::int32_t WaveVolume(double value);    // -10000 (silent) .. 0 (full), hundredths of a dB
std::int32_t WavePan(double value);       // -10000 (left) .. 10000 (right)
std::int32_t WaveFrequency(double value); // 100 .. 100000 Hz

// The sound player: plays the game's sound table by number. Wave sounds sound through the
// wave output, each in as many copies as the sound allows, used in turn; without a wave
// output (or when it fails while the sounds are loaded) they go to the simple playback, one
// at a time, from whole files held in memory. Every other kind plays through the sound media
// player, one at a time, and not at all in a game with background music.
//
// Sound files are the files of the data folder the sound table names; the game file holds only
// their names.
class CSoundPlayer : public SoundService {
public:
    // `backgroundMusic` is the game's "music" option. `audio`, `sounds` and `files` must outlive
    // the player; the player takes over the sound media player's end handler.
    CSoundPlayer(Audio& audio, const CSoundList& sounds, const Files& files, bool backgroundMusic);
    ~CSoundPlayer() override;
    CSoundPlayer(const CSoundPlayer&) = delete;
    CSoundPlayer& operator=(const CSoundPlayer&) = delete;

    // At game start: opens the wave output and loads every wave sound. Answers whether the
    // wave output is in use, which is the game's "directsound" value.
    bool StartSounds();
    // At game end: stops every sound and releases what StartSounds took.
    void EndSounds();
    bool WaveOutputAvailable() const { return waveOutput_; }

    // SoundService. Mode 0 plays once; 1 loops every kind; 2 loops all but wave sounds.
    bool PlayGameSound(std::int32_t number, std::int32_t mode) override;
    void StopGameSound(std::int32_t number) override;
    void SetSoundVolume(std::int32_t number, double value) override;
    void SetSoundPan(std::int32_t number, double value) override;
    void SetSoundFrequency(std::int32_t number, double value) override;

    void StopAllSounds();

    // The sound in the media player, -1 for none.
    std::int32_t CurrentMediaSound() const { return currentMedia_; }

private:
    // What the player keeps of one wave sound.
    struct WaveSlot {
        // Copies loaded into the wave output; 0 when its file is missing.
        int copies = 0;
        // The copy played last, -1 before the first play.
        int lastCopy = -1;
        // The whole file, for the simple playback; empty when it could not be read.
        std::vector<std::uint8_t> memory;
    };

    // A sound of the table that can be played: a valid number whose file exists.
    const CSound* Playable(std::int32_t number) const;
    std::filesystem::path PathOf(const CSound& sound) const;
    WaveSlot& Slot(std::int32_t number) { return waves_[static_cast<std::size_t>(number)]; }

    void LoadWaves();
    void ReadWavesIntoMemory();
    void ReleaseWaves();
    void PlayWaveSound(std::int32_t number, bool loop);
    void PlayMediaSound(std::int32_t number, const CSound& sound, bool loop);
    void MediaEnded();
    // Applies a wave setting when the sound can take it.
    template <typename Apply> void ChangeWave(std::int32_t number, Apply apply);

    Audio& audio_;
    const CSoundList& sounds_;
    const Files& files_;
    const bool backgroundMusic_;

    bool waveOutput_ = false;
    // Indexed by sound number; entry 0 is unused.
    std::vector<WaveSlot> waves_;
    // The wave the simple playback played last, -1 for none.
    std::int32_t lastMemoryWave_ = -1;
    std::int32_t currentMedia_ = -1;
    bool mediaLooping_ = false;
};

} // namespace velkaro
