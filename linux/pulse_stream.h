// The mixed sound on one PulseAudio playback stream, filled from the mixer as the server asks.
#ifndef ORVANE_LINUX_PULSE_STREAM_H
#define ORVANE_LINUX_PULSE_STREAM_H

#include <pulse/pulseaudio.h>

#include <cstddef>
#include <functional>

#include "wave_mixer.h"

class PulseStream {
public:
    explicit PulseStream(WaveMixer& mixer);
    ~PulseStream();
    PulseStream(const PulseStream&) = delete;
    PulseStream& operator=(const PulseStream&) = delete;

    // Connects to the sound server and opens the stream, paused; false without a server.
    // Once open, the mixer is touched only inside Change().
    bool Open();
    bool IsOpen() const { return m_stream != nullptr; }

    // Runs `change` on the mixer and plays the new mix at once: what the stream held but had
    // not played yet is dropped, and the voices step back over it, so a sound that goes on
    // carries on where it was heard. With nothing left to play the stream pauses.
    void Change(const std::function<void()>& change);

private:
    static void Signal(pa_context* context, void* self);
    static void Signal(pa_stream* stream, void* self);
    static void OnWrite(pa_stream* stream, std::size_t bytes, void* self);
    void Write(std::size_t bytes);
    void WaitFor(const std::function<bool()>& done);
    void Close();

    WaveMixer& m_mixer;
    pa_threaded_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
    pa_stream* m_stream = nullptr;
    bool m_paused = true;
};

#endif
