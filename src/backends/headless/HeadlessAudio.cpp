#include "backends/headless/HeadlessAudio.h"

#include "platform/Clock.h"

#include <algorithm>
#include <fstream>
#include <system_error>

namespace velkaro {
namespace {

std::uint32_t Little32(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

bool Tag(const char* bytes, const char* tag) {
    return std::equal(bytes, bytes + 4, tag);
}

} // namespace

std::optional<std::int64_t> WaveDurationMs(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    char header[12];
    if (!in.read(header, sizeof header) || !Tag(header, "RIFF") || !Tag(header + 8, "WAVE")) {
        return std::nullopt;
    }
    std::optional<std::uint32_t> byteRate;
    std::optional<std::uint32_t> dataSize;
    char chunk[8];
    while ((!byteRate || !dataSize) && in.read(chunk, sizeof chunk)) {
        const std::uint32_t size = Little32(chunk + 4);
        if (Tag(chunk, "fmt ")) {
            // Tag, channels and sample rate come before the byte rate.
            char format[16];
            if (size < sizeof format || !in.read(format, sizeof format)) {
                return std::nullopt;
            }
            byteRate = Little32(format + 8);
            in.seekg(static_cast<std::streamoff>(size - sizeof format), std::ios::cur);
        } else if (Tag(chunk, "data")) {
            dataSize = size;
            in.seekg(static_cast<std::streamoff>(size), std::ios::cur);
        } else {
            in.seekg(static_cast<std::streamoff>(size), std::ios::cur);
        }
        // Chunks start on even offsets.
        if (size % 2 != 0) {
            in.seekg(1, std::ios::cur);
        }
    }
    if (!byteRate || !dataSize || *byteRate == 0) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(*dataSize) * 1000 / *byteRate;
}

// --- Wave output

bool HeadlessAudio::OpenWaveOutput() {
    waveOutputOpen_ = waveOutputPresent_;
    return waveOutputOpen_;
}

void HeadlessAudio::CloseWaveOutput() {
    waves_.clear();
    waveOutputOpen_ = false;
}

bool HeadlessAudio::LoadWave(int sound, const std::filesystem::path& file, int copies,
                             bool effects) {
    waves_.erase(sound);
    if (!waveOutputOpen_ || copies < 1 || !WaveDurationMs(file)) {
        return false;
    }
    waves_[sound] = LoadedWave{copies, effects};
    return true;
}

void HeadlessAudio::ReleaseWave(int sound) {
    waves_.erase(sound);
}

const HeadlessAudio::LoadedWave* HeadlessAudio::Target(int sound, int copy) const {
    const auto found = waves_.find(sound);
    if (found == waves_.end()) {
        return nullptr;
    }
    const bool inRange = copy == kEveryCopy || (copy >= 0 && copy < found->second.copies);
    return inRange ? &found->second : nullptr;
}

void HeadlessAudio::PlayWave(int sound, int copy, bool loop) {
    if (copy != kEveryCopy && Target(sound, copy) != nullptr) {
        transcript_.Write("sound", {{"action", "play"}, {"sound", sound}, {"loop", loop}});
    }
}

void HeadlessAudio::StopWave(int sound, int copy) {
    if (Target(sound, copy) != nullptr) {
        transcript_.Write("sound", {{"action", "stop"}, {"sound", sound}});
    }
}

void HeadlessAudio::WriteSetting(const char* action, int sound, int copy, std::int32_t value) {
    const LoadedWave* wave = Target(sound, copy);
    if (wave != nullptr && wave->effects) {
        transcript_.Write("sound", {{"action", action}, {"sound", sound}, {"value", value}});
    }
}

void HeadlessAudio::SetWaveVolume(int sound, int copy, std::int32_t hundredthsDb) {
    WriteSetting("volume", sound, copy, hundredthsDb);
}

void HeadlessAudio::SetWavePan(int sound, int copy, std::int32_t pan) {
    WriteSetting("pan", sound, copy, pan);
}

void HeadlessAudio::SetWaveFrequency(int sound, int copy, std::int32_t hertz) {
    WriteSetting("frequency", sound, copy, hertz);
}

// --- Simple playback

void HeadlessAudio::PlayMemoryWave(int sound, std::span<const std::uint8_t>, bool loop) {
    memoryWave_ = sound;
    transcript_.Write("sound", {{"action", "play"}, {"sound", sound}, {"loop", loop}});
}

void HeadlessAudio::StopMemoryWave() {
    if (memoryWave_) {
        transcript_.Write("sound", {{"action", "stop"}, {"sound", *memoryWave_}});
        memoryWave_.reset();
    }
}

// --- Media players

bool HeadlessAudio::OpenMedia(MediaPlayer player, const std::filesystem::path& file, int sound) {
    Media& media = Of(player);
    std::function<void()> onEnd = std::move(media.onEnd);
    media = Media{};
    media.onEnd = std::move(onEnd);
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error) || !std::ifstream(file).is_open()) {
        return false;
    }
    media.open = true;
    media.file = file;
    media.sound = sound;
    media.duration = WaveDurationMs(file);
    return true;
}

std::int64_t HeadlessAudio::PositionNow(const Media& media) {
    return media.playing ? media.position + (clock_.Milliseconds() - media.startedAt)
                         : media.position;
}

void HeadlessAudio::PlayMedia(MediaPlayer player, bool loop) {
    Media& media = Of(player);
    if (!media.open) {
        return;
    }
    if (!media.playing) {
        media.playing = true;
        media.startedAt = clock_.Milliseconds();
    }
    if (player == MediaPlayer::Sound) {
        transcript_.Write("sound", {{"action", "play"}, {"sound", media.sound}, {"loop", loop}});
    } else {
        transcript_.Write("music", {{"action", "play"}, {"file", media.file.string()}});
    }
}

void HeadlessAudio::RewindMedia(MediaPlayer player) {
    Media& media = Of(player);
    media.position = 0;
    media.startedAt = clock_.Milliseconds();
}

void HeadlessAudio::CloseMedia(MediaPlayer player) {
    Media& media = Of(player);
    if (!media.open) {
        return;
    }
    if (player == MediaPlayer::Sound) {
        transcript_.Write("sound", {{"action", "stop"}, {"sound", media.sound}});
    } else {
        transcript_.Write("music", {{"action", "stop"}});
    }
    std::function<void()> onEnd = std::move(media.onEnd);
    media = Media{};
    media.onEnd = std::move(onEnd);
}

void HeadlessAudio::SetMediaEndHandler(MediaPlayer player, std::function<void()> handler) {
    Of(player).onEnd = std::move(handler);
}

bool HeadlessAudio::Due(Media& media) {
    return media.open && media.playing && media.duration && PositionNow(media) >= *media.duration;
}

void HeadlessAudio::DeliverMediaEnds() {
    for (MediaPlayer player : {MediaPlayer::Sound, MediaPlayer::Music}) {
        Media& media = Of(player);
        if (!Due(media)) {
            continue;
        }
        media.playing = false;
        media.position = *media.duration;
        // The handler may open, play or close this very player.
        if (std::function<void()> onEnd = media.onEnd) {
            onEnd();
        }
    }
}

} // namespace velkaro
