#pragma once

#include "backends/desktop/WaveMixing.h"
#include "platform/Audio.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct _Mix_Music;

namespace velkaro {

// The desktop's sound device, through SDL_mixer: 44100 frames a second, stereo, 16 bits, in
// buffers of 512 frames (about 12 ms) so that a sound starts soon after it is asked for.
//
// The wave output and the simple playback are mixed here, on the device's thread, into what
// SDL_mixer has mixed: each playing copy is read at its own rate, with linear interpolation,
// at its own volume and balance. The media players play through SDL_mixer's one music stream
// (MIDI through a General MIDI sound font with FluidSynth). The two players share it, which
// is no loss: the sound player plays no media while the background music is on. Opening a
// file in one player closes what the other held.
//
// Without a sound device (no sound card, a server without audio) the wave output is absent,
// nothing can be opened and the rest does nothing: the game runs in silence.
//
// A MIDI file that cannot be heard (no sound font) still opens, and lasts as long as its
// notes in silence, so that a game that waits for its end goes on.
class DesktopAudio final : public Audio {
public:
    // Has a call run on the thread that runs the game, between the game's operations.
    using Post = std::function<void(std::function<void()>)>;

    // Opens the sound device. `post` hands the end of a medium to the game's thread; it is
    // called from the device's thread and must neither wait for the game's thread nor call
    // this audio. One DesktopAudio at a time: SDL_mixer's device is the process's.
    explicit DesktopAudio(Post post);
    ~DesktopAudio() override;
    DesktopAudio(const DesktopAudio&) = delete;
    DesktopAudio& operator=(const DesktopAudio&) = delete;

    bool DeviceOpen() const { return deviceOpen_; }
    // What the player plays through, in words: the driver and the format, the sound font for
    // MIDI; or why there is no sound.
    std::string Describe() const;
    // Where to say which media files could not be read (none: nowhere).
    void SetLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }
    // The player's loudness for everything the game plays, from 0 (silent) to 1 (as the game
    // sets it), over the game's own volumes, which it neither reads nor changes.
    void SetMasterVolume(float volume) { masterVolume_ = std::clamp(volume, 0.0f, 1.0f); }
    // Frames mixed for the device since it opened: the device's own clock, by which the time
    // from a call to its sound can be measured.
    std::uint64_t FramesDelivered() const { return framesDelivered_.load(); }

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
    void Note(const std::string& text) const;

    struct MusicDeleter {
        void operator()(_Mix_Music* music) const;
    };

    // A sound of the wave output: its file, and the copies that read it.
    struct LoadedWave {
        std::vector<std::uint8_t> file;
        bool effects = false;
        std::vector<WaveVoice> copies;
    };

    enum class MediaState {
        // At the start, silent.
        Ready,
        Playing,
        // Played to its end by itself.
        Ended,
    };

    struct Media {
        // The game's thread's alone.
        std::unique_ptr<_Mix_Music, MusicDeleter> music;
        bool open = false;
        std::function<void()> onEnd;

        // Shared with the device's thread, under mutex_.
        MediaState state = MediaState::Ready;
        // In SDL_mixer's music stream; false for a MIDI file heard as silence.
        bool heard = false;
        // The end by the clock, for MIDI: the synthesiser never says it is done.
        std::optional<std::uint64_t> lengthFrames;
        std::uint64_t playedFrames = 0;
        // Moves on with every change the game makes, so that an end found before the change
        // is not delivered after it.
        std::uint64_t generation = 0;
    };

    static void MixCallback(void* self, std::uint8_t* stream, int length);
    // On the device's thread: adds the waves to SDL_mixer's output and notices media ends.
    void Mix(std::uint8_t* stream, int length);
    void PostEnd(MediaPlayer player, std::uint64_t generation);
    // On the game's thread: runs the end handler unless the game has changed the player since.
    void DeliverEnd(MediaPlayer player, std::uint64_t generation);
    // Sets what the device's thread sees of the player, as a change of the game's; answers the
    // change's generation.
    std::uint64_t SetState(Media& media, MediaState state);
    MediaState StateOf(Media& media);
    // Starts the player's music from its start; false when SDL_mixer cannot.
    bool StartMusic(Media& media);
    Media& Of(MediaPlayer player) { return media_[static_cast<std::size_t>(player)]; }

    // Runs `apply` on copy `copy` (or every copy) of a loaded sound, under the lock; nothing
    // for a sound or copy that is not there, or, with `effect`, a sound loaded without effects.
    template <typename Apply> void ForCopies(int sound, int copy, bool effect, Apply apply);

    const Post post_;
    bool deviceOpen_ = false;
    std::int32_t deviceRate_ = 0;
    bool waveOutputOpen_ = false;

    // Between the game's thread and the device's thread; held briefly, and never while calling
    // SDL_mixer from the game's thread (the device's thread holds SDL's lock while mixing).
    std::mutex mutex_;
    std::map<int, std::unique_ptr<LoadedWave>> waves_;
    std::optional<WaveVoice> memoryWave_;
    std::array<Media, 2> media_;
    // The device's thread's alone.
    std::vector<float> mixBuffer_;

    std::atomic<std::uint64_t> framesDelivered_{0};
    std::atomic<float> masterVolume_{1.0f};
    std::string failure_;
    std::string soundFont_;
    std::function<void(const std::string&)> log_;
    // Ends posted to the game's thread hold on to it weakly, and are dropped once it is gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace velkaro
