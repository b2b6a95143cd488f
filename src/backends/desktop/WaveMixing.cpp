#include "backends/desktop/WaveMixing.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace velkaro {
namespace {

constexpr std::uint16_t kPcm = 1;
constexpr std::uint16_t kFloat = 3;
// The format tag whose real tag is the first two bytes of a sub-format further on.
constexpr std::uint16_t kExtensible = 0xFFFE;

std::uint16_t Little16(const std::uint8_t* bytes) {
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

std::uint32_t Little32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

bool Tag(const std::uint8_t* bytes, const char* tag) {
    return std::memcmp(bytes, tag, 4) == 0;
}

} // namespace

float WaveSamples::At(std::size_t frame, int channel) const {
    const std::uint8_t* p =
        data + (frame * static_cast<std::size_t>(channels) + static_cast<std::size_t>(channel)) *
                   static_cast<std::size_t>(bytesPerSample);
    switch (bytesPerSample) {
    case 1:
        return static_cast<float>(p[0] - 128) / 128.0f;
    case 2:
        return static_cast<float>(static_cast<std::int16_t>(Little16(p))) / 32768.0f;
    case 3: {
        // Shifted to the top of 32 bits so that the sign comes along.
        const auto top = static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) << 8 |
                                                   static_cast<std::uint32_t>(p[1]) << 16 |
                                                   static_cast<std::uint32_t>(p[2]) << 24);
        return static_cast<float>(top) / 2147483648.0f;
    }
    default: {
        const std::uint32_t bits = Little32(p);
        if (floating) {
            float value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        return static_cast<float>(static_cast<std::int32_t>(bits)) / 2147483648.0f;
    }
    }
}

std::optional<WaveSamples> ReadWave(std::span<const std::uint8_t> file) {
    if (file.size() < 12 || !Tag(file.data(), "RIFF") || !Tag(file.data() + 8, "WAVE")) {
        return std::nullopt;
    }
    const std::uint8_t* format = nullptr;
    std::span<const std::uint8_t> data;
    bool dataFound = false;
    std::size_t at = 12;
    while (at + 8 <= file.size() && (format == nullptr || !dataFound)) {
        const std::uint8_t* chunk = file.data() + at;
        const std::size_t size = Little32(chunk + 4);
        const std::size_t body = at + 8;
        const std::size_t available = std::min(size, file.size() - body);
        if (Tag(chunk, "fmt ")) {
            if (available < 16) {
                return std::nullopt;
            }
            // The extensible form names its real format after 24 bytes.
            format = chunk + 8;
            if (Little16(format) == kExtensible && available < 26) {
                return std::nullopt;
            }
        } else if (Tag(chunk, "data")) {
            data = file.subspan(body, available);
            dataFound = true;
        }
        // Chunks start on even offsets.
        at = body + size + size % 2;
    }
    if (format == nullptr || !dataFound) {
        return std::nullopt;
    }
    std::uint16_t tag = Little16(format);
    if (tag == kExtensible) {
        tag = Little16(format + 24);
    }
    WaveSamples samples;
    samples.channels = Little16(format + 2);
    samples.rate = static_cast<std::int32_t>(Little32(format + 4));
    const int bits = Little16(format + 14);
    samples.bytesPerSample = (bits + 7) / 8;
    samples.floating = tag == kFloat;
    const bool pcm = tag == kPcm && samples.bytesPerSample >= 1 && samples.bytesPerSample <= 4;
    const bool floating = tag == kFloat && bits == 32;
    if ((!pcm && !floating) || samples.channels < 1 || samples.rate <= 0) {
        return std::nullopt;
    }
    samples.data = data.data();
    samples.frames = data.size() / (static_cast<std::size_t>(samples.channels) *
                                    static_cast<std::size_t>(samples.bytesPerSample));
    return samples;
}

float LevelOf(std::int32_t hundredthsDb) {
    if (hundredthsDb <= -10000) {
        return 0.0f;
    }
    if (hundredthsDb >= 0) {
        return 1.0f;
    }
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

void WaveVoice::Play(bool loop) {
    position_ = 0;
    loop_ = loop;
    playing_ = samples_.frames > 0;
}

void WaveVoice::SetVolume(std::int32_t hundredthsDb) {
    level_ = LevelOf(hundredthsDb);
    UpdateGains();
}

void WaveVoice::SetPan(std::int32_t pan) {
    pan_ = std::clamp(pan, -10000, 10000);
    UpdateGains();
}

void WaveVoice::SetFrequency(std::int32_t hertz) {
    rate_ = std::clamp(hertz, 100, 100000);
}

void WaveVoice::UpdateGains() {
    leftGain_ = level_ * (pan_ > 0 ? LevelOf(-pan_) : 1.0f);
    rightGain_ = level_ * (pan_ < 0 ? LevelOf(pan_) : 1.0f);
}

void WaveVoice::MixInto(std::span<float> stereo, std::int32_t deviceRate) {
    const double step = static_cast<double>(rate_) / deviceRate;
    const std::size_t frames = samples_.frames;
    const int right = samples_.channels > 1 ? 1 : 0;
    for (std::size_t i = 0; playing_ && i + 1 < stereo.size(); i += 2) {
        const auto frame = static_cast<std::size_t>(position_);
        const auto fraction = static_cast<float>(position_ - static_cast<double>(frame));
        // The last frame leads back to the first in a loop, and to itself otherwise.
        const std::size_t next = frame + 1 < frames ? frame + 1 : (loop_ ? 0 : frame);
        const float left =
            samples_.At(frame, 0) + (samples_.At(next, 0) - samples_.At(frame, 0)) * fraction;
        const float rightValue = samples_.At(frame, right) +
                                 (samples_.At(next, right) - samples_.At(frame, right)) * fraction;
        stereo[i] += left * leftGain_;
        stereo[i + 1] += rightValue * rightGain_;
        position_ += step;
        if (position_ >= static_cast<double>(frames)) {
            if (loop_) {
                position_ = std::fmod(position_, static_cast<double>(frames));
            } else {
                playing_ = false;
            }
        }
    }
}

} // namespace velkaro
