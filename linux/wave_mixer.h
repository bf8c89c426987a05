// The two looping sounds of the Linux edition mixed into one stream: the program's wave
// channel and the bell player. Plain C++, so its tests need no sound device.
#ifndef ORVANE_LINUX_WAVE_MIXER_H
#define ORVANE_LINUX_WAVE_MIXER_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

// The one format of the mixed stream: 44.1 kHz, stereo, signed 16-bit, interleaved.
inline constexpr int MIX_RATE = 44100;
inline constexpr int MIX_CHANNELS = 2;

// A wave decoded into the mix format, ready to loop.
struct MixWave {
    std::vector<std::int16_t> samples;  // left, right, left, right...
    std::size_t Frames() const { return samples.size() / MIX_CHANNELS; }
};

// A RIFF WAVE file's bytes in the mix format: PCM of 8, 16, 24 or 32 bits or 32-bit float,
// any number of channels (mono on both sides, beyond two the first two) and any rate
// (resampled linearly). Nothing for anything else or an empty wave.
std::optional<MixWave> DecodeWave(std::span<const std::uint8_t> file);

class WaveMixer {
public:
    enum Voice { Channel, Bell, VoiceCount };

    // Loops a wave on a voice from its start, replacing what the voice played.
    void Play(Voice voice, std::shared_ptr<const MixWave> wave);
    void Stop(Voice voice);
    bool Playing(Voice voice) const;
    bool Silent() const;

    // Steps every playing voice back by this many frames, looping backwards across the start:
    // mixed audio that was never heard is mixed again.
    void Rewind(std::size_t frames);

    // When a voice goes on from the middle of its wave, as after a lost sound server, the next
    // FADE_FRAMES rise from silence, so the sound picked up again starts without a click.
    void FadeInMidWave();
    static constexpr std::size_t FADE_FRAMES = MIX_RATE / 50;  // 20 ms

    // The next frames of both voices summed, clipped to 16 bits; silence where none plays.
    // Allocates nothing: it runs on the sound server's thread for every request.
    void Mix(std::int16_t* out, std::size_t frames);

private:
    struct Loop {
        std::shared_ptr<const MixWave> wave;
        std::size_t frame = 0;  // the next frame to mix
    };
    Loop m_voices[VoiceCount];
    std::size_t m_fadeLeft = 0;  // frames of the fade-in still to mix
};

#endif
