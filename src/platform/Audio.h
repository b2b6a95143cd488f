#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>

namespace velkaro {

// The two media players. Each holds at most one file at a time.
enum class MediaPlayer {
    // The game's MIDI, MP3 and other non-wave sounds.
    Sound,
    // The background music of the play list.
    Music,
};

// Stands for every copy of a wave sound in the calls that take a copy.
inline constexpr int kEveryCopy = -1;

// What the platform's sound hardware does for the game: it only plays. Every decision (which
// copy sounds next, what loops, what is silent, how the game's 0..1 settings become device
// units, what to do when a piece ends) is the sound player's and the background music's, so
// that it is the same on every platform and can be tested without a sound card.
//
// Sounds are named by the game's sound number (from 1) in every call that concerns one, so an
// implementation can say which of the game's sounds it was asked to play. File names are real
// paths, already resolved.
//
// Calls come from the thread that runs the game; so do the end-of-media handlers.
class Audio {
public:
    virtual ~Audio() = default;

    // --- Wave output: a sound held in copies that can sound at the same time, each with its
    // own volume, balance and playback rate. Optional: without it a game plays its wave sounds
    // with the simple playback below, and reads 0 as its "directsound" value.

    // Opens the wave output; false when there is none. Opening an open output answers true.
    virtual bool OpenWaveOutput() = 0;
    // Releases every wave loaded and then the output itself.
    virtual void CloseWaveOutput() = 0;

    // Reads the WAV file `file` into `copies` (1 or more) copies of sound `sound`, which share
    // the samples. With `effects` the copies accept volume, balance and frequency changes;
    // without, those calls leave them as they are. Loading a sound again replaces it. False
    // when the output is not open, the file cannot be read or is not a WAV file, or the output
    // cannot hold it; nothing of the sound is loaded then.
    virtual bool LoadWave(int sound, const std::filesystem::path& file, int copies,
                          bool effects) = 0;
    virtual void ReleaseWave(int sound) = 0;

    // The calls on copies do nothing for a sound that is not loaded or a copy outside
    // 0..copies-1. In StopWave and the settings kEveryCopy names every copy.

    // Stops copy `copy` of the sound, rewinds it to its start and plays it, over and over
    // when `loop`. Other copies go on sounding.
    virtual void PlayWave(int sound, int copy, bool loop) = 0;
    virtual void StopWave(int sound, int copy) = 0;
    // Attenuation in hundredths of a decibel: -10000 is silent, 0 full volume.
    virtual void SetWaveVolume(int sound, int copy, std::int32_t hundredthsDb) = 0;
    // Balance: -10000 is full left, 0 the centre, 10000 full right.
    virtual void SetWavePan(int sound, int copy, std::int32_t pan) = 0;
    // Playback rate in samples per second, 100 to 100000.
    virtual void SetWaveFrequency(int sound, int copy, std::int32_t hertz) = 0;

    // --- Simple playback: one wave at a time, from a whole WAV file in memory. Always there.

    // Plays `wave`, over and over when `loop`, ending whatever this playback played before.
    // The bytes are not copied: they must stay alive and unchanged until the playback is
    // stopped or replaced.
    virtual void PlayMemoryWave(int sound, std::span<const std::uint8_t> wave, bool loop) = 0;
    // Ends the wave playing, if any.
    virtual void StopMemoryWave() = 0;

    // --- Media players: MIDI, MP3 and anything else the platform can play, one file each.

    // Loads `file` into the player, closing what it held, and leaves it ready at the start.
    // `sound` is the game's sound number for MediaPlayer::Sound and 0 for the music. False
    // when the file cannot be opened; the player then holds nothing.
    virtual bool OpenMedia(MediaPlayer player, const std::filesystem::path& file, int sound) = 0;
    // Plays from the current position to the end of the media, once. `loop` says what the
    // caller will do at the end, play it again from the start: for the record only, the player
    // itself plays once.
    virtual void PlayMedia(MediaPlayer player, bool loop) = 0;
    // Moves to the start; a player that is playing goes on playing from there.
    virtual void RewindMedia(MediaPlayer player) = 0;
    // Stops and lets go of the file.
    virtual void CloseMedia(MediaPlayer player) = 0;

    // `handler` runs when the player's media has played to its end (not when it is stopped or
    // closed). It runs on the thread that runs the game, between the game's operations, never
    // inside another call on this interface, so it may play again at once. An empty function
    // removes the handler.
    virtual void SetMediaEndHandler(MediaPlayer player, std::function<void()> handler) = 0;
};

} // namespace velkaro
