#include "shell/MusicUnit.h"

#include "base/VariableClass.h"
#include "base/WholeFile.h"

#include <cmath>
#include <system_error>

namespace velkaro {
namespace {

// Maps 0..1 onto low..high; the ends are exact, the inside is rounded.
std::int32_t MapSetting(double value, std::int32_t low, std::int32_t high) {
    if (std::isnan(value) || value <= 0) {
        return low;
    }
    if (value >= 1) {
        return high;
    }
    return RoundToInt32(value * (high - low) + low);
}

} // namespace

std::int32_t WaveVolume(double value) {
    return MapSetting(value, -10000, 0);
}

std::int32_t WavePan(double value) {
    return MapSetting(value, -10000, 10000);
}

std::int32_t WaveFrequency(double value) {
    return MapSetting(value, 100, 100000);
}

CSoundPlayer::CSoundPlayer(Audio& audio, const CSoundList& sounds, const Files& files,
                           bool backgroundMusic)
    : audio_(audio), sounds_(sounds), files_(files), backgroundMusic_(backgroundMusic) {
    audio_.SetMediaEndHandler(MediaPlayer::Sound, [this] { MediaEnded(); });
}

CSoundPlayer::~CSoundPlayer() {
    audio_.SetMediaEndHandler(MediaPlayer::Sound, {});
}

const CSound* CSoundPlayer::Playable(std::int32_t number) const {
    if (!sounds_.Valid(number) || !sounds_.Get(number).fileExists) {
        return nullptr;
    }
    return &sounds_.Get(number);
}

std::filesystem::path CSoundPlayer::PathOf(const CSound& sound) const {
    return files_.Resolve(sound.fileName);
}

bool CSoundPlayer::StartSounds() {
    waveOutput_ = audio_.OpenWaveOutput();
    if (!backgroundMusic_) {
        currentMedia_ = -1;
        mediaLooping_ = false;
    }
    waves_.assign(static_cast<std::size_t>(sounds_.Count()) + 1, WaveSlot{});
    if (waveOutput_) {
        LoadWaves();
    }
    if (!waveOutput_) {
        ReadWavesIntoMemory();
    }
    return waveOutput_;
}

void CSoundPlayer::LoadWaves() {
    for (std::int32_t n = 1; n <= sounds_.Count(); ++n) {
        const CSound& sound = sounds_.Get(n);
        if (sound.Kind() != SoundKind::Wave) {
            continue;
        }
        // A file that has gone since the game was loaded, or one the output cannot read (not a
        // wave, damaged), is a sound without copies, as a missing one is: it stays silent, and
        // the other sounds keep the wave output.
        const std::filesystem::path path = PathOf(sound);
        std::error_code error;
        if (!sound.fileExists || !std::filesystem::is_regular_file(path, error)) {
            continue;
        }
        if (audio_.LoadWave(n, path, sound.Copies(), sound.effectsAllowed)) {
            Slot(n).copies = sound.Copies();
        }
    }
}

void CSoundPlayer::ReadWavesIntoMemory() {
    for (std::int32_t n = 1; n <= sounds_.Count(); ++n) {
        const CSound& sound = sounds_.Get(n);
        if (sound.Kind() != SoundKind::Wave || !sound.fileExists) {
            continue;
        }
        if (auto bytes = ReadFileWhole(PathOf(sound))) {
            Slot(n).memory = std::move(*bytes);
        }
    }
    lastMemoryWave_ = -1;
}

void CSoundPlayer::EndSounds() {
    // Stopping everything also closes the media player when it is the sound player's.
    StopAllSounds();
    ReleaseWaves();
}

void CSoundPlayer::ReleaseWaves() {
    if (waveOutput_) {
        for (std::int32_t n = 1; n < static_cast<std::int32_t>(waves_.size()); ++n) {
            if (Slot(n).copies > 0) {
                audio_.ReleaseWave(n);
            }
        }
        audio_.CloseWaveOutput();
        waveOutput_ = false;
    }
    waves_.clear();
    lastMemoryWave_ = -1;
}

bool CSoundPlayer::PlayGameSound(std::int32_t number, std::int32_t mode) {
    if (number == 0) {
        StopAllSounds();
        return true;
    }
    const CSound* sound = Playable(number);
    if (sound == nullptr) {
        return false;
    }
    if (sound->Kind() == SoundKind::Wave) {
        // Effects play once unless a loop is asked for outright.
        PlayWaveSound(number, mode == 1);
    } else {
        // Music repeats unless it is asked to play once.
        PlayMediaSound(number, *sound, mode > 0);
    }
    return true;
}

void CSoundPlayer::PlayWaveSound(std::int32_t number, bool loop) {
    if (static_cast<std::size_t>(number) >= waves_.size()) {
        return; // before StartSounds or after EndSounds nothing is loaded
    }
    WaveSlot& slot = Slot(number);
    if (waveOutput_) {
        if (slot.copies == 0) {
            return;
        }
        // The copy after the one used last: a fourth play of three copies restarts the oldest.
        slot.lastCopy = (slot.lastCopy + 1) % slot.copies;
        audio_.PlayWave(number, slot.lastCopy, loop);
        return;
    }
    if (slot.memory.empty()) {
        return;
    }
    audio_.PlayMemoryWave(number, slot.memory, loop);
    lastMemoryWave_ = number;
}

void CSoundPlayer::PlayMediaSound(std::int32_t number, const CSound& sound, bool loop) {
    // The media player of sounds stays silent beside background music.
    if (backgroundMusic_) {
        return;
    }
    if (number != currentMedia_) {
        if (!audio_.OpenMedia(MediaPlayer::Sound, PathOf(sound), number)) {
            currentMedia_ = -1;
            mediaLooping_ = false;
            return;
        }
    } else {
        audio_.RewindMedia(MediaPlayer::Sound);
    }
    currentMedia_ = number;
    mediaLooping_ = loop;
    audio_.PlayMedia(MediaPlayer::Sound, mediaLooping_);
}

void CSoundPlayer::MediaEnded() {
    if (currentMedia_ != -1 && mediaLooping_) {
        audio_.RewindMedia(MediaPlayer::Sound);
        audio_.PlayMedia(MediaPlayer::Sound, true);
    }
}

void CSoundPlayer::StopGameSound(std::int32_t number) {
    if (number == 0) {
        StopAllSounds();
        return;
    }
    const CSound* sound = Playable(number);
    if (sound == nullptr) {
        return;
    }
    if (sound->Kind() != SoundKind::Wave) {
        if (number == currentMedia_ && !backgroundMusic_) {
            audio_.CloseMedia(MediaPlayer::Sound);
            // Closed, it must be loaded again to play again.
            currentMedia_ = -1;
        }
        return;
    }
    if (waveOutput_) {
        if (static_cast<std::size_t>(number) < waves_.size() && Slot(number).copies > 0) {
            audio_.StopWave(number, kEveryCopy);
        }
    } else if (number == lastMemoryWave_) {
        audio_.StopMemoryWave();
    }
}

void CSoundPlayer::StopAllSounds() {
    if (!backgroundMusic_) {
        audio_.CloseMedia(MediaPlayer::Sound);
        currentMedia_ = -1;
    }
    if (waveOutput_) {
        for (std::int32_t n = 1; n < static_cast<std::int32_t>(waves_.size()); ++n) {
            if (Slot(n).copies > 0) {
                audio_.StopWave(n, kEveryCopy);
            }
        }
    } else {
        audio_.StopMemoryWave();
        lastMemoryWave_ = -1;
    }
}

template <typename Apply> void CSoundPlayer::ChangeWave(std::int32_t number, Apply apply) {
    // Only the wave output can change a sound while it plays, and only a sound whose copies
    // were made to accept it.
    const CSound* sound = Playable(number);
    if (sound == nullptr || sound->Kind() != SoundKind::Wave || !sound->effectsAllowed ||
        !waveOutput_ || static_cast<std::size_t>(number) >= waves_.size() ||
        Slot(number).copies == 0) {
        return;
    }
    apply();
}

void CSoundPlayer::SetSoundVolume(std::int32_t number, double value) {
    ChangeWave(number, [&] { audio_.SetWaveVolume(number, kEveryCopy, WaveVolume(value)); });
}

void CSoundPlayer::SetSoundPan(std::int32_t number, double value) {
    ChangeWave(number, [&] { audio_.SetWavePan(number, kEveryCopy, WavePan(value)); });
}

void CSoundPlayer::SetSoundFrequency(std::int32_t number, double value) {
    ChangeWave(number, [&] { audio_.SetWaveFrequency(number, kEveryCopy, WaveFrequency(value)); });
}

} // namespace velkaro
