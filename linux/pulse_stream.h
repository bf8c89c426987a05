// The mixed sound on one PulseAudio playback stream, filled from the mixer as the server asks.
// Nothing here waits for the server: connecting and opening the stream run on the server
// thread, and the caller learns of every change of the link through a callback, so a server
// that stops answering, dies or restarts never holds up the program.
#ifndef ORVANE_LINUX_PULSE_STREAM_H
#define ORVANE_LINUX_PULSE_STREAM_H

#include <pulse/pulseaudio.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>

#include "pulse_link.h"
#include "wave_mixer.h"

// One owner for each PulseAudio object, released in one place.
struct PulseLoopRelease {
    void operator()(pa_threaded_mainloop* loop) const;
};
struct PulseContextRelease {
    void operator()(pa_context* context) const;
};
struct PulseStreamRelease {
    void operator()(pa_stream* stream) const;
};
using UniquePulseLoop = std::unique_ptr<pa_threaded_mainloop, PulseLoopRelease>;
using UniquePulseContext = std::unique_ptr<pa_context, PulseContextRelease>;
using UniquePulseStream = std::unique_ptr<pa_stream, PulseStreamRelease>;

class PulseStream {
public:
    // onLinkChange runs on the server thread, with the stream's lock held, whenever the link
    // becomes Ready or Failed; it must only hand the news on.
    explicit PulseStream(WaveMixer& mixer, std::function<void()> onLinkChange = nullptr);
    ~PulseStream();
    PulseStream(const PulseStream&) = delete;
    PulseStream& operator=(const PulseStream&) = delete;

    // Starts connecting to the server and opening the stream, paused, unless a connection is
    // there already; returns at once. Once started, the mixer is touched only inside Change().
    void Connect();
    // Closes the stream and the connection, whatever state they are in.
    void Drop();
    PulseLink Link() const { return m_link.load(); }

    // Runs `change` on the mixer and plays the new mix at once: what the stream held but had
    // not played yet is dropped, and the voices step back over it, so a sound that goes on
    // carries on where it was heard. With nothing left to play the stream pauses. Without a
    // ready stream only the mixer changes; the stream takes it up once it is ready.
    void Change(const std::function<void()>& change);

private:
    static void OnContextState(pa_context* context, void* self);
    static void OnStreamState(pa_stream* stream, void* self);
    static void OnWrite(pa_stream* stream, std::size_t bytes, void* self);
    void OpenStream();
    void Write(std::size_t bytes);
    void SetLink(PulseLink link);

    WaveMixer& m_mixer;
    std::function<void()> m_onLinkChange;
    std::atomic<PulseLink> m_link{PulseLink::Closed};
    bool m_paused = true;
    UniquePulseLoop m_loop;  // released last: it runs the callbacks of the two below
    UniquePulseContext m_context;
    UniquePulseStream m_stream;
};

#endif
