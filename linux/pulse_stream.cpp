#include "pulse_stream.h"

#include <cstdint>

namespace {

constexpr std::size_t kFrameBytes = kMixChannels * sizeof(std::int16_t);
// The server holds 200 ms and asks for more 100 ms at a time: about ten wake-ups a second
// while anything sounds. Changes do not wait for it.
constexpr std::uint32_t kHeldBytes = kMixRate / 5 * kFrameBytes;
constexpr std::uint32_t kRequestBytes = kMixRate / 10 * kFrameBytes;

void Done(pa_operation* operation) {
    if (operation != nullptr) pa_operation_unref(operation);
}

}  // namespace

PulseStream::PulseStream(WaveMixer& mixer) : m_mixer(mixer) {}

PulseStream::~PulseStream() { Close(); }

void PulseStream::Signal(pa_context* /*context*/, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseStream*>(self)->m_loop, 0);
}

void PulseStream::Signal(pa_stream* /*stream*/, void* self) {
    pa_threaded_mainloop_signal(static_cast<PulseStream*>(self)->m_loop, 0);
}

// On the server's thread, with the loop locked.
void PulseStream::OnWrite(pa_stream* /*stream*/, std::size_t bytes, void* self) {
    static_cast<PulseStream*>(self)->Write(bytes);
}

void PulseStream::Write(std::size_t bytes) {
    std::size_t size = bytes / kFrameBytes * kFrameBytes;
    void* data = nullptr;
    if (size == 0 || pa_stream_begin_write(m_stream, &data, &size) < 0 || data == nullptr) return;
    size = size / kFrameBytes * kFrameBytes;
    m_mixer.Mix(static_cast<std::int16_t*>(data), size / kFrameBytes);
    pa_stream_write(m_stream, data, size, nullptr, 0, PA_SEEK_RELATIVE);
}

// With the loop locked: until done() or the connection fails.
void PulseStream::WaitFor(const std::function<bool()>& done) {
    while (!done()) pa_threaded_mainloop_wait(m_loop);
}

bool PulseStream::Open() {
    if (m_stream != nullptr) return true;
    m_loop = pa_threaded_mainloop_new();
    if (m_loop == nullptr) return false;
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "OrvaneATS");
    if (m_context == nullptr) {
        Close();
        return false;
    }
    pa_context_set_state_callback(m_context, &PulseStream::Signal, this);
    pa_threaded_mainloop_lock(m_loop);
    bool ready = pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 &&
                 pa_threaded_mainloop_start(m_loop) >= 0;
    if (ready) {
        WaitFor([this] {
            const pa_context_state_t state = pa_context_get_state(m_context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        });
        ready = pa_context_get_state(m_context) == PA_CONTEXT_READY;
    }
    if (ready) {
        const pa_sample_spec format{PA_SAMPLE_S16LE, kMixRate, kMixChannels};
        m_stream = pa_stream_new(m_context, "OrvaneATS", &format, nullptr);
    }
    if (m_stream != nullptr) {
        pa_stream_set_state_callback(m_stream, &PulseStream::Signal, this);
        pa_stream_set_write_callback(m_stream, &PulseStream::OnWrite, this);
        // Playback starts with the first data and, should the server ever run dry, goes on.
        const pa_buffer_attr buffer{static_cast<std::uint32_t>(-1), kHeldBytes, 0, kRequestBytes,
                                    static_cast<std::uint32_t>(-1)};
        const auto flags =
            static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_INTERPOLATE_TIMING |
                                           PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
        ready =
            pa_stream_connect_playback(m_stream, nullptr, &buffer, flags, nullptr, nullptr) >= 0;
        if (ready) {
            WaitFor([this] {
                const pa_stream_state_t state = pa_stream_get_state(m_stream);
                return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
            });
            ready = pa_stream_get_state(m_stream) == PA_STREAM_READY;
        }
    }
    pa_threaded_mainloop_unlock(m_loop);
    if (!ready || m_stream == nullptr) {
        Close();
        return false;
    }
    return true;
}

void PulseStream::Change(const std::function<void()>& change) {
    if (m_stream == nullptr) {
        change();
        return;
    }
    pa_threaded_mainloop_lock(m_loop);
    if (!m_paused) {
        // Everything written and not yet heard: the stream's latency.
        pa_usec_t unheard = 0;
        int negative = 0;
        if (pa_stream_get_latency(m_stream, &unheard, &negative) == 0 && negative == 0) {
            m_mixer.Rewind(static_cast<std::size_t>(unheard * kMixRate / 1000000));
        }
    }
    change();
    // The server asks at once for what it dropped, and is given the new mix; writing more than
    // it asks for would leave it asking for nothing while that surplus plays out.
    Done(pa_stream_flush(m_stream, nullptr, nullptr));
    const bool silent = m_mixer.Silent();
    if (silent != m_paused) {
        Done(pa_stream_cork(m_stream, silent ? 1 : 0, nullptr, nullptr));
        m_paused = silent;
    }
    pa_threaded_mainloop_unlock(m_loop);
}

void PulseStream::Close() {
    if (m_loop != nullptr) pa_threaded_mainloop_stop(m_loop);
    if (m_stream != nullptr) {
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    if (m_context != nullptr) {
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    if (m_loop != nullptr) pa_threaded_mainloop_free(m_loop);
    m_loop = nullptr;
}
