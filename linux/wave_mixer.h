// The sounds of the Linux edition mixed into one stream: the program's wave channel and the
// bell player, which loop, and the emergency brake's, played once. Plain C++, so its tests
// need no sound device.
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

// The longest sound the program takes: a limit on the memory a wave may fill once decoded.
inline constexpr int MAX_WAVE_SECONDS = 120;

// A wave decoded into the mix format, ready to play.
struct MixWave {
    std::vector<std::int16_t> samples;  // left, right, left, right...
    std::size_t Frames() const { return samples.size() / MIX_CHANNELS; }
};

// Why a file's bytes gave no wave.
enum class WaveProblem {
    None,
    NotWave,      // no RIFF WAVE header
    Truncated,    // the file ends before its format or its sound does
    Unsupported,  // a format other than those below, for example a compressed one
    NoSound,      // no whole frame of sound in it
    TooLong,      // longer than MAX_WAVE_SECONDS
};

// A RIFF WAVE file's bytes in the mix format: PCM of 8, 16, 24 or 32 bits or 32-bit float,
// any number of channels (mono on both sides, beyond two the first two) and any rate
// (resampled linearly). Nothing for anything else, with why in `problem` if given.
std::optional<MixWave> DecodeWave(std::span<const std::uint8_t> file,
                                  WaveProblem* problem = nullptr);

class WaveMixer {
public:
    enum Voice { Channel, Bell, Brake, VoiceCount };
    // The brake's voice plays its wave once and then stays silent until stopped or played
    // again; the others loop.
    static constexpr bool Loops(int voice) { return voice != Brake; }

    // Plays a wave on a voice from its start, replacing what the voice played.
    void Play(Voice voice, std::shared_ptr<const MixWave> wave);
    void Stop(Voice voice);
    bool Playing(Voice voice) const;
    bool Silent() const;

    // Steps every playing voice back by this many frames, a looping one backwards across its
    // start, a one-shot one no further than its start: mixed audio never heard is mixed again.
    void Rewind(std::size_t frames);

    // When a voice goes on from the middle of its wave, as after a lost sound server, the next
    // FADE_FRAMES rise from silence, so the sound picked up again starts without a click.
    void FadeInMidWave();
    static constexpr std::size_t FADE_FRAMES = MIX_RATE / 50;  // 20 ms

    // The next frames of all voices summed, clipped to 16 bits; silence where none plays.
    // Allocates nothing: it runs on the sound server's thread for every request.
    void Mix(std::int16_t* out, std::size_t frames);

private:
    struct Track {
        std::shared_ptr<const MixWave> wave;
        // The next frame to mix; past the end of a one-shot wave it counts on, so that a rewind
        // knows whether its end was heard.
        std::size_t frame = 0;
    };
    Track m_voices[VoiceCount];
    std::size_t m_fadeLeft = 0;  // frames of the fade-in still to mix
};

#endif
