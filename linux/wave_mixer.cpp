#include "wave_mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace {

constexpr std::uint16_t FORMAT_PCM = 1;
constexpr std::uint16_t FORMAT_FLOAT = 3;
constexpr std::uint16_t FORMAT_EXTENSIBLE = 0xFFFE;

std::uint32_t Read32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
           std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

std::uint16_t Read16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

bool IsId(std::span<const std::uint8_t> bytes, std::size_t at, std::string_view id) {
    return std::memcmp(bytes.data() + at, id.data(), 4) == 0;
}

struct Format {
    std::uint16_t tag = 0;
    int channels = 0;
    int rate = 0;
    int bits = 0;
};

// One sample, -1 to 1.
double Sample(const std::uint8_t* at, const Format& format) {
    switch (format.bits) {
        case 8: return (at[0] - 128) / 128.0;
        case 16: return static_cast<std::int16_t>(at[0] | at[1] << 8) / 32768.0;
        case 24: {
            const std::int32_t value = static_cast<std::int32_t>(
                static_cast<std::uint32_t>(at[0] << 8 | at[1] << 16 | at[2] << 24));
            return (value >> 8) / 8388608.0;
        }
        default: {
            std::uint32_t word;
            std::memcpy(&word, at, 4);
            if (format.tag == FORMAT_FLOAT) {
                float value;
                std::memcpy(&value, &word, 4);
                return std::isfinite(value) ? value : 0.0;
            }
            return static_cast<std::int32_t>(word) / 2147483648.0;
        }
    }
}

std::int16_t ToSample16(double value) {
    return static_cast<std::int16_t>(std::clamp(std::lround(value * 32768.0), -32768L, 32767L));
}

bool Supported(const Format& format) {
    if (format.channels < 1 || format.rate < 1) return false;
    if (format.tag == FORMAT_FLOAT) return format.bits == 32;
    return format.tag == FORMAT_PCM &&
           (format.bits == 8 || format.bits == 16 || format.bits == 24 || format.bits == 32);
}

}  // namespace

std::optional<MixWave> DecodeWave(std::span<const std::uint8_t> file, WaveProblem* problem) {
    WaveProblem unasked = WaveProblem::None;
    WaveProblem& why = problem != nullptr ? *problem : unasked;
    why = WaveProblem::None;
    const auto refuse = [&why](WaveProblem found) {
        why = found;
        return std::nullopt;
    };
    if (file.size() < 12) {
        // The start of a header cut short, or not a wave at all.
        const bool riff = !file.empty() && std::memcmp(file.data(), "RIFF",
                                                       std::min<std::size_t>(file.size(), 4)) == 0;
        return refuse(riff ? WaveProblem::Truncated : WaveProblem::NotWave);
    }
    if (!IsId(file, 0, "RIFF") || !IsId(file, 8, "WAVE")) return refuse(WaveProblem::NotWave);
    Format format;
    std::optional<std::span<const std::uint8_t>> data;
    for (std::size_t at = 12; at + 8 <= file.size();) {
        const std::size_t room = file.size() - at - 8;
        const std::size_t declared = Read32(file, at + 4);
        const std::size_t size = std::min(declared, room);
        const auto body = file.subspan(at + 8, size);
        if (IsId(file, at, "fmt ")) {
            if (declared > room) return refuse(WaveProblem::Truncated);
            if (size < 16) return refuse(WaveProblem::Unsupported);
            format = {Read16(body, 0), Read16(body, 2), static_cast<int>(Read32(body, 4)),
                      Read16(body, 14)};
            // WAVE_FORMAT_EXTENSIBLE names its format in the first two bytes of its sub-format.
            if (format.tag == FORMAT_EXTENSIBLE && size >= 26) format.tag = Read16(body, 24);
        } else if (IsId(file, at, "data")) {
            if (declared > room) return refuse(WaveProblem::Truncated);
            data = body;
        }
        at += 8 + size + (size & 1);
    }
    if (format.tag == 0 || !data) return refuse(WaveProblem::Truncated);
    if (!Supported(format)) return refuse(WaveProblem::Unsupported);
    const std::size_t sampleBytes = static_cast<std::size_t>(format.bits) / 8;
    const std::size_t frameBytes = sampleBytes * static_cast<std::size_t>(format.channels);
    const std::size_t inFrames = data->size() / frameBytes;
    if (inFrames == 0) return refuse(WaveProblem::NoSound);
    if (inFrames >
        static_cast<std::size_t>(MAX_WAVE_SECONDS) * static_cast<std::size_t>(format.rate)) {
        return refuse(WaveProblem::TooLong);
    }

    // Left or right of a frame; a mono wave sounds on both sides.
    const auto sample = [&](std::size_t frame, int side) {
        const std::uint8_t* at = data->data() + frame * frameBytes;
        return Sample(side == 1 && format.channels > 1 ? at + sampleBytes : at, format);
    };
    // Resampled linearly; the frame after the last is the first, as the wave loops.
    const double step = static_cast<double>(format.rate) / MIX_RATE;
    const auto outFrames = std::max<std::size_t>(
        1, static_cast<std::size_t>(std::llround(static_cast<double>(inFrames) / step)));
    MixWave wave;
    wave.samples.resize(outFrames * MIX_CHANNELS);
    for (std::size_t i = 0; i < outFrames; ++i) {
        const double position = static_cast<double>(i) * step;
        const auto index = std::min(static_cast<std::size_t>(position), inFrames - 1);
        const std::size_t next = (index + 1) % inFrames;
        const double share = position - static_cast<double>(index);
        for (int side = 0; side < MIX_CHANNELS; ++side) {
            const double here = sample(index, side);
            wave.samples[MIX_CHANNELS * i + side] =
                ToSample16(here + (sample(next, side) - here) * share);
        }
    }
    return wave;
}

void WaveMixer::Play(Voice voice, std::shared_ptr<const MixWave> wave) {
    if (wave && wave->Frames() == 0) wave.reset();
    m_voices[voice] = {std::move(wave), 0};
}

void WaveMixer::Stop(Voice voice) { m_voices[voice] = {}; }

bool WaveMixer::Playing(Voice voice) const { return m_voices[voice].wave != nullptr; }

bool WaveMixer::Silent() const { return !Playing(Channel) && !Playing(Bell) && !Playing(Brake); }

void WaveMixer::Rewind(std::size_t frames) {
    for (int voice = 0; voice < VoiceCount; ++voice) {
        Track& track = m_voices[voice];
        if (!track.wave) continue;
        if (Loops(voice)) {
            const std::size_t length = track.wave->Frames();
            track.frame = (track.frame + length - frames % length) % length;
        } else {
            track.frame -= std::min(track.frame, frames);
        }
    }
}

void WaveMixer::FadeInMidWave() {
    for (const Track& track : m_voices) {
        if (track.wave && track.frame != 0 && track.frame < track.wave->Frames()) {
            m_fadeLeft = FADE_FRAMES;
        }
    }
}

void WaveMixer::Mix(std::int16_t* out, std::size_t frames) {
    for (std::size_t i = 0; i < frames; ++i) {
        std::int32_t sum[MIX_CHANNELS] = {};
        for (int voice = 0; voice < VoiceCount; ++voice) {
            Track& track = m_voices[voice];
            if (!track.wave) continue;
            const std::size_t length = track.wave->Frames();
            if (track.frame < length) {
                const std::int16_t* sample =
                    track.wave->samples.data() + MIX_CHANNELS * track.frame;
                for (int c = 0; c < MIX_CHANNELS; ++c) sum[c] += sample[c];
            }
            if (++track.frame == length && Loops(voice)) track.frame = 0;
        }
        const auto rise = static_cast<std::int32_t>(FADE_FRAMES - m_fadeLeft);
        for (int c = 0; c < MIX_CHANNELS; ++c) {
            std::int32_t value = sum[c];
            if (m_fadeLeft > 0) value = value * rise / static_cast<std::int32_t>(FADE_FRAMES);
            out[MIX_CHANNELS * i + c] = static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
        }
        if (m_fadeLeft > 0) --m_fadeLeft;
    }
}
