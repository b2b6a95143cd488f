#include "backends/desktop/DesktopAudio.h"

#include "base/WholeFile.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace velkaro {
namespace {

constexpr int kDeviceRate = 44100;
constexpr int kDeviceChannels = 2;
// Small enough to start a sound within a buffer's time, large enough not to starve a busy
// machine.
constexpr int kBufferFrames = 512;

// General MIDI sound fonts where Debian and its derivatives put them, the system's default first.
constexpr const char* kSoundFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
    "/usr/share/sounds/sf3/default-GM.sf3",
};

// The sound fonts for MIDI: SDL_SOUNDFONTS when set, otherwise the first one installed (SDL_mixer
// itself looks in one place only). Nothing found leaves MIDI files silent.
std::string ChooseSoundFont() {
    const char* chosen = std::getenv("SDL_SOUNDFONTS");
    if (chosen == nullptr || *chosen == '\0') {
        chosen = nullptr;
        for (const char* font : kSoundFonts) {
            std::error_code error;
            if (std::filesystem::is_regular_file(font, error)) {
                chosen = font;
                break;
            }
        }
    }
    Mix_SetSoundFonts(chosen);
    return chosen != nullptr ? chosen : "";
}

bool IsMidi(std::span<const std::uint8_t> file) {
    return file.size() >= 4 && std::memcmp(file.data(), "MThd", 4) == 0;
}

std::uint32_t Big(std::span<const std::uint8_t> bytes, std::size_t at, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

// A MIDI number of 1 to 4 bytes, 7 bits each, the last without its top bit.
bool ReadVariable(std::span<const std::uint8_t> bytes, std::size_t& at, std::size_t end,
                  std::uint32_t& value) {
    value = 0;
    for (int i = 0; i < 4 && at < end; ++i) {
        const std::uint8_t byte = bytes[at++];
        value = value << 7 | (byte & 0x7Fu);
        if ((byte & 0x80u) == 0) {
            return true;
        }
    }
    return false;
}

// How long a standard MIDI file plays, to its last event, with its tempo changes; none when
// it is not one. A track cut short counts as far as it can be read.
std::optional<double> MidiSeconds(std::span<const std::uint8_t> file) {
    if (!IsMidi(file) || file.size() < 14 || Big(file, 4, 4) < 6) {
        return std::nullopt;
    }
    const std::uint32_t division = Big(file, 12, 2);
    if (division == 0) {
        return std::nullopt;
    }
    // Tick and microseconds a quarter note from there, from every track.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> tempos;
    std::uint64_t lastTick = 0;
    std::size_t at = 8 + Big(file, 4, 4);
    while (at + 8 <= file.size()) {
        const std::size_t size = Big(file, at + 4, 4);
        const std::size_t end = std::min(file.size(), at + 8 + size);
        const bool track = std::memcmp(file.data() + at, "MTrk", 4) == 0;
        std::size_t p = at + 8;
        std::uint64_t tick = 0;
        std::uint8_t running = 0;
        while (track && p < end) {
            std::uint32_t delta = 0;
            if (!ReadVariable(file, p, end, delta) || p >= end) {
                break;
            }
            tick += delta;
            lastTick = std::max(lastTick, tick);
            std::uint8_t status = file[p];
            if ((status & 0x80u) != 0) {
                ++p;
            } else if (running != 0) {
                status = running; // the byte is the first of the data
            } else {
                break;
            }
            std::uint32_t length = 0;
            if (status == 0xFF) {
                if (p >= end) {
                    break;
                }
                const std::uint8_t type = file[p++];
                if (!ReadVariable(file, p, end, length)) {
                    break;
                }
                if (type == 0x51 && length >= 3 && p + 3 <= end) {
                    tempos.emplace_back(tick, Big(file, p, 3));
                } else if (type == 0x2F) {
                    break; // the end of the track
                }
            } else if (status == 0xF0 || status == 0xF7) {
                running = 0;
                if (!ReadVariable(file, p, end, length)) {
                    break;
                }
            } else {
                running = status;
                const std::uint8_t kind = status & 0xF0u;
                length = kind == 0xC0 || kind == 0xD0 ? 1 : 2;
            }
            p += length;
        }
        at += 8 + size;
    }
    if ((division & 0x8000u) != 0) {
        // Frames a second (negative, in the top byte) and ticks a frame.
        const int framesPerSecond = -static_cast<std::int8_t>(division >> 8);
        const auto ticksPerSecond = static_cast<double>(framesPerSecond * (division & 0xFFu));
        return ticksPerSecond > 0 ? std::optional(static_cast<double>(lastTick) / ticksPerSecond)
                                  : std::nullopt;
    }
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    double seconds = 0;
    std::uint64_t from = 0;
    std::uint32_t tempo = 500000; // 120 quarter notes a minute until told otherwise
    for (const auto& [tick, next] : tempos) {
        if (tick >= lastTick) {
            break;
        }
        seconds += static_cast<double>(tick - from) * tempo / (1e6 * division);
        from = tick;
        tempo = next;
    }
    return seconds + static_cast<double>(lastTick - from) * tempo / (1e6 * division);
}

} // namespace

std::string DesktopAudio::Describe() const {
    if (!deviceOpen_) {
        return "no sound device (" + failure_ + "): the game plays silent";
    }
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    Mix_QuerySpec(&rate, &format, &channels);
    const char* driver = SDL_GetCurrentAudioDriver();
    return std::string("sound through the ") + (driver != nullptr ? driver : "unknown") +
           " driver, " + std::to_string(rate) + " Hz, " + std::to_string(channels) + " channels, " +
           std::to_string(SDL_AUDIO_BITSIZE(format)) + "-bit; MIDI " +
           (soundFont_.empty() ? std::string("silent: no sound font found")
                               : "with the sound font " + soundFont_);
}

void DesktopAudio::Note(const std::string& text) const {
    if (log_) {
        log_(text);
    }
}

void DesktopAudio::MusicDeleter::operator()(_Mix_Music* music) const {
    Mix_FreeMusic(music);
}

DesktopAudio::DesktopAudio(Post post) : post_(std::move(post)) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        failure_ = SDL_GetError();
        return;
    }
    Mix_Init(MIX_INIT_MID | MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_FLAC);
    deviceRate_ = kDeviceRate;
    mixBuffer_.resize(static_cast<std::size_t>(kBufferFrames) * kDeviceChannels);
    // Hooked before the device starts, so that every buffer it plays is counted.
    Mix_SetPostMix(&DesktopAudio::MixCallback, this);
    // The exact format, converted by SDL for the hardware when it differs, so that the mixing
    // knows what it writes.
    if (Mix_OpenAudioDevice(kDeviceRate, AUDIO_S16SYS, kDeviceChannels, kBufferFrames, nullptr,
                            0) != 0) {
        failure_ = Mix_GetError();
        Mix_SetPostMix(nullptr, nullptr);
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return;
    }
    deviceOpen_ = true;
    soundFont_ = ChooseSoundFont();
    // Every wave is mixed here; SDL_mixer's channels stay unused.
    Mix_AllocateChannels(0);
}

DesktopAudio::~DesktopAudio() {
    if (!deviceOpen_) {
        return;
    }
    // Taken under SDL's lock: once it returns the mixing has stopped for good.
    Mix_SetPostMix(nullptr, nullptr);
    for (Media& media : media_) {
        media.music.reset();
    }
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// --- Mixing, on the device's thread

void DesktopAudio::MixCallback(void* self, std::uint8_t* stream, int length) {
    static_cast<DesktopAudio*>(self)->Mix(stream, length);
}

void DesktopAudio::Mix(std::uint8_t* stream, int length) {
    // SDL's lock is held here, so the music stays as it is while this runs.
    const bool musicPlaying = Mix_PlayingMusic() != 0;
    auto* out = reinterpret_cast<std::int16_t*>(stream);
    const std::size_t samples = static_cast<std::size_t>(length) / sizeof(std::int16_t);
    const std::uint64_t frames = samples / kDeviceChannels;
    std::array<std::optional<std::uint64_t>, 2> ended;
    {
        std::lock_guard lock(mutex_);
        for (std::size_t done = 0; done < samples; done += mixBuffer_.size()) {
            const std::size_t count = std::min(mixBuffer_.size(), samples - done);
            const std::span<float> mixed(mixBuffer_.data(), count);
            std::fill(mixed.begin(), mixed.end(), 0.0f);
            for (auto& [sound, wave] : waves_) {
                for (WaveVoice& copy : wave->copies) {
                    if (copy.Playing()) {
                        copy.MixInto(mixed, deviceRate_);
                    }
                }
            }
            if (memoryWave_ && memoryWave_->Playing()) {
                memoryWave_->MixInto(mixed, deviceRate_);
            }
            const float master = masterVolume_.load();
            for (std::size_t i = 0; i < count; ++i) {
                const float sum = (out[done + i] + mixed[i] * 32767.0f) * master;
                out[done + i] =
                    static_cast<std::int16_t>(std::lrint(std::clamp(sum, -32768.0f, 32767.0f)));
            }
        }
        for (std::size_t p = 0; p < media_.size(); ++p) {
            Media& media = media_[p];
            if (media.state != MediaState::Playing) {
                continue;
            }
            media.playedFrames += frames;
            if ((media.heard && !musicPlaying) ||
                (media.lengthFrames && media.playedFrames >= *media.lengthFrames)) {
                media.state = MediaState::Ended;
                ended[p] = media.generation;
            }
        }
    }
    framesDelivered_ += frames;
    for (std::size_t p = 0; p < ended.size(); ++p) {
        if (ended[p]) {
            PostEnd(static_cast<MediaPlayer>(p), *ended[p]);
        }
    }
}

void DesktopAudio::PostEnd(MediaPlayer player, std::uint64_t generation) {
    if (!post_) {
        return;
    }
    post_([this, alive = std::weak_ptr<int>(alive_), player, generation] {
        if (!alive.expired()) {
            DeliverEnd(player, generation);
        }
    });
}

// --- Wave output

bool DesktopAudio::OpenWaveOutput() {
    waveOutputOpen_ = deviceOpen_;
    return waveOutputOpen_;
}

void DesktopAudio::CloseWaveOutput() {
    std::map<int, std::unique_ptr<LoadedWave>> released;
    {
        std::lock_guard lock(mutex_);
        released.swap(waves_);
    }
    waveOutputOpen_ = false;
}

bool DesktopAudio::LoadWave(int sound, const std::filesystem::path& file, int copies,
                            bool effects) {
    ReleaseWave(sound);
    if (!waveOutputOpen_ || copies < 1) {
        return false;
    }
    auto wave = std::make_unique<LoadedWave>();
    wave->effects = effects;
    if (auto bytes = ReadFileWhole(file)) {
        wave->file = std::move(*bytes);
    }
    const std::optional<WaveSamples> samples = ReadWave(wave->file);
    if (!samples) {
        Note(file.string() + ": not a wave file the player can read; the sound stays silent");
        return false;
    }
    wave->copies.assign(static_cast<std::size_t>(copies), WaveVoice(*samples));
    std::lock_guard lock(mutex_);
    waves_[sound] = std::move(wave);
    return true;
}

void DesktopAudio::ReleaseWave(int sound) {
    std::unique_ptr<LoadedWave> released;
    std::lock_guard lock(mutex_);
    if (const auto found = waves_.find(sound); found != waves_.end()) {
        released = std::move(found->second);
        waves_.erase(found);
    }
    // `released` is freed after the lock is let go, declared before it.
}

template <typename Apply>
void DesktopAudio::ForCopies(int sound, int copy, bool effect, Apply apply) {
    std::lock_guard lock(mutex_);
    const auto found = waves_.find(sound);
    if (found == waves_.end() || (effect && !found->second->effects)) {
        return;
    }
    std::vector<WaveVoice>& copies = found->second->copies;
    if (copy == kEveryCopy) {
        std::for_each(copies.begin(), copies.end(), apply);
    } else if (copy >= 0 && static_cast<std::size_t>(copy) < copies.size()) {
        apply(copies[static_cast<std::size_t>(copy)]);
    }
}

void DesktopAudio::PlayWave(int sound, int copy, bool loop) {
    if (copy != kEveryCopy) {
        ForCopies(sound, copy, false, [loop](WaveVoice& voice) { voice.Play(loop); });
    }
}

void DesktopAudio::StopWave(int sound, int copy) {
    ForCopies(sound, copy, false, [](WaveVoice& voice) { voice.Stop(); });
}

void DesktopAudio::SetWaveVolume(int sound, int copy, std::int32_t hundredthsDb) {
    ForCopies(sound, copy, true, [=](WaveVoice& voice) { voice.SetVolume(hundredthsDb); });
}

void DesktopAudio::SetWavePan(int sound, int copy, std::int32_t pan) {
    ForCopies(sound, copy, true, [=](WaveVoice& voice) { voice.SetPan(pan); });
}

void DesktopAudio::SetWaveFrequency(int sound, int copy, std::int32_t hertz) {
    ForCopies(sound, copy, true, [=](WaveVoice& voice) { voice.SetFrequency(hertz); });
}

// --- Simple playback

void DesktopAudio::PlayMemoryWave(int, std::span<const std::uint8_t> wave, bool loop) {
    std::optional<WaveVoice> voice;
    if (const std::optional<WaveSamples> samples = ReadWave(wave); samples && deviceOpen_) {
        voice.emplace(*samples);
        voice->Play(loop);
    }
    std::lock_guard lock(mutex_);
    memoryWave_ = voice;
}

void DesktopAudio::StopMemoryWave() {
    std::lock_guard lock(mutex_);
    memoryWave_.reset();
}

// --- Media players

std::uint64_t DesktopAudio::SetState(Media& media, MediaState state) {
    std::lock_guard lock(mutex_);
    media.state = state;
    media.playedFrames = 0;
    return ++media.generation;
}

DesktopAudio::MediaState DesktopAudio::StateOf(Media& media) {
    std::lock_guard lock(mutex_);
    return media.state;
}

bool DesktopAudio::StartMusic(Media& media) {
    // Playing stops what played before, within SDL's lock, so the device's thread never sees
    // the music stop in between.
    return media.music == nullptr || Mix_PlayMusic(media.music.get(), 0) == 0;
}

bool DesktopAudio::OpenMedia(MediaPlayer player, const std::filesystem::path& file, int) {
    // One music stream for both players.
    CloseMedia(MediaPlayer::Sound);
    CloseMedia(MediaPlayer::Music);
    if (!deviceOpen_) {
        return false;
    }
    Media& media = Of(player);
    media.music.reset(Mix_LoadMUS(file.c_str()));
    std::optional<double> seconds;
    if (media.music == nullptr || Mix_GetMusicType(media.music.get()) == MUS_MID) {
        const std::optional<std::vector<std::uint8_t>> bytes = ReadFileWhole(file);
        if (!bytes || !IsMidi(*bytes)) {
            Note(file.string() + ": cannot be played (" + Mix_GetError() + ")");
            media.music.reset();
            return false;
        }
        // Heard or not, a MIDI file ends when its last note has played.
        seconds = MidiSeconds(*bytes);
    }
    media.open = true;
    std::lock_guard lock(mutex_);
    media.heard = media.music != nullptr;
    media.lengthFrames.reset();
    if (seconds) {
        media.lengthFrames = static_cast<std::uint64_t>(*seconds * deviceRate_);
    }
    return true;
}

void DesktopAudio::PlayMedia(MediaPlayer player, bool) {
    Media& media = Of(player);
    if (!media.open) {
        return;
    }
    const MediaState state = StateOf(media);
    if (state == MediaState::Playing) {
        return;
    }
    if (state == MediaState::Ended) {
        // At its end already: it ends again at once, as one that is played from there.
        PostEnd(player, SetState(media, MediaState::Ended));
        return;
    }
    if (StartMusic(media)) {
        SetState(media, MediaState::Playing);
    }
}

void DesktopAudio::RewindMedia(MediaPlayer player) {
    Media& media = Of(player);
    if (!media.open) {
        return;
    }
    if (StateOf(media) != MediaState::Playing) {
        if (media.music != nullptr && Mix_PlayingMusic() != 0) {
            // A MIDI file at its end: the synthesiser still runs.
            Mix_HaltMusic();
        }
        SetState(media, MediaState::Ready);
        return;
    }
    // SDL_mixer cannot move every kind of music (MIDI among them): it starts again.
    SetState(media, MediaState::Ready);
    if (StartMusic(media)) {
        SetState(media, MediaState::Playing);
    }
}

void DesktopAudio::CloseMedia(MediaPlayer player) {
    Media& media = Of(player);
    if (!media.open) {
        return;
    }
    // Told first, so that the device's thread takes the halt for no end.
    SetState(media, MediaState::Ready);
    {
        std::lock_guard lock(mutex_);
        media.heard = false;
        media.lengthFrames.reset();
    }
    media.music.reset();
    media.open = false;
}

void DesktopAudio::SetMediaEndHandler(MediaPlayer player, std::function<void()> handler) {
    Of(player).onEnd = std::move(handler);
}

void DesktopAudio::DeliverEnd(MediaPlayer player, std::uint64_t generation) {
    Media& media = Of(player);
    {
        std::lock_guard lock(mutex_);
        if (media.generation != generation || media.state != MediaState::Ended) {
            return;
        }
    }
    if (media.music != nullptr && Mix_PlayingMusic() != 0) {
        // A MIDI file ended by the clock: its synthesiser would go on in silence.
        Mix_HaltMusic();
    }
    // A copy: the handler may set another one.
    if (std::function<void()> onEnd = media.onEnd) {
        onEnd();
    }
}

} // namespace velkaro
