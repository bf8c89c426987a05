#include "pulse_stream.h"

#include <cstdint>

namespace {

constexpr std::size_t FRAME_BYTES = MIX_CHANNELS * sizeof(std::int16_t);
// The server holds 200 ms and asks for more 100 ms at a time: about ten wake-ups a second
// while anything sounds. Changes do not wait for it.
constexpr std::uint32_t HELD_BYTES = MIX_RATE / 5 * FRAME_BYTES;
constexpr std::uint32_t REQUEST_BYTES = MIX_RATE / 10 * FRAME_BYTES;

// Lets go of an operation that nothing waits for; the server carries it out all the same.
void ReleaseOperation(pa_operation* operation) {
    if (operation != nullptr) pa_operation_unref(operation);
}

// The server thread's lock, for one scope.
class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : m_loop(loop) {
        pa_threaded_mainloop_lock(m_loop);
    }
    ~LoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* m_loop;
};

}  // namespace

void PulseLoopRelease::operator()(pa_threaded_mainloop* loop) const {
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
}

// With the loop locked, or stopped: no callback of ours runs after this.
void PulseContextRelease::operator()(pa_context* context) const {
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
}

void PulseStreamRelease::operator()(pa_stream* stream) const {
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

PulseStream::PulseStream(WaveMixer& mixer, std::function<void()> onLinkChange)
    : m_mixer(mixer), m_onLinkChange(std::move(onLinkChange)) {}

PulseStream::~PulseStream() { Drop(); }

void PulseStream::SetLink(PulseLink link) {
    m_link = link;
    if (m_onLinkChange && (link == PulseLink::Ready || link == PulseLink::Failed)) {
        m_onLinkChange();
    }
}

// On the server thread, with the loop locked.
void PulseStream::OnContextState(pa_context* context, void* self) {
    auto* me = static_cast<PulseStream*>(self);
    const pa_context_state_t state = pa_context_get_state(context);
    if (state == PA_CONTEXT_READY) {
        me->OpenStream();
    } else if (!PA_CONTEXT_IS_GOOD(state)) {
        me->SetLink(PulseLink::Failed);
    }
}

void PulseStream::OpenStream() {
    const pa_sample_spec format{PA_SAMPLE_S16LE, MIX_RATE, MIX_CHANNELS};
    m_stream.reset(pa_stream_new(m_context.get(), "OrvaneATS", &format, nullptr));
    if (!m_stream) {
        SetLink(PulseLink::Failed);
        return;
    }
    pa_stream_set_state_callback(m_stream.get(), &PulseStream::OnStreamState, this);
    pa_stream_set_write_callback(m_stream.get(), &PulseStream::OnWrite, this);
    // Playback starts with the first data and, should the server ever run dry, goes on.
    const pa_buffer_attr buffer{static_cast<std::uint32_t>(-1), HELD_BYTES, 0, REQUEST_BYTES,
                                static_cast<std::uint32_t>(-1)};
    const auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_INTERPOLATE_TIMING |
                                       PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    if (pa_stream_connect_playback(m_stream.get(), nullptr, &buffer, flags, nullptr, nullptr) < 0) {
        SetLink(PulseLink::Failed);
    }
}

void PulseStream::OnStreamState(pa_stream* stream, void* self) {
    auto* me = static_cast<PulseStream*>(self);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_READY) {
        // The mix may have changed while the stream opened, or go on from before a lost server.
        me->m_paused = me->m_mixer.Silent();
        if (!me->m_paused) {
            me->m_mixer.FadeInMidWave();
            ReleaseOperation(pa_stream_cork(stream, 0, nullptr, nullptr));
        }
        me->SetLink(PulseLink::Ready);
    } else if (!PA_STREAM_IS_GOOD(state)) {
        me->SetLink(PulseLink::Failed);
    }
}

void PulseStream::OnWrite(pa_stream* /*stream*/, std::size_t bytes, void* self) {
    static_cast<PulseStream*>(self)->Write(bytes);
}

void PulseStream::Write(std::size_t bytes) {
    std::size_t size = bytes / FRAME_BYTES * FRAME_BYTES;
    void* data = nullptr;
    if (size == 0 || pa_stream_begin_write(m_stream.get(), &data, &size) < 0 || data == nullptr) {
        return;
    }
    size = size / FRAME_BYTES * FRAME_BYTES;
    m_mixer.Mix(static_cast<std::int16_t*>(data), size / FRAME_BYTES);
    pa_stream_write(m_stream.get(), data, size, nullptr, 0, PA_SEEK_RELATIVE);
}

void PulseStream::Connect() {
    if (!m_loop) {
        UniquePulseLoop loop(pa_threaded_mainloop_new());
        if (!loop || pa_threaded_mainloop_start(loop.get()) < 0) {
            m_link = PulseLink::Failed;
            return;
        }
        m_loop = std::move(loop);
    }
    LoopLock lock(m_loop.get());
    if (m_context) return;
    m_link = PulseLink::Connecting;
    m_context.reset(pa_context_new(pa_threaded_mainloop_get_api(m_loop.get()), "OrvaneATS"));
    if (!m_context) {
        m_link = PulseLink::Failed;
        return;
    }
    pa_context_set_state_callback(m_context.get(), &PulseStream::OnContextState, this);
    if (pa_context_connect(m_context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        m_link = PulseLink::Failed;
    }
}

void PulseStream::Drop() {
    if (!m_loop) {
        m_link = PulseLink::Closed;
        return;
    }
    LoopLock lock(m_loop.get());
    m_stream.reset();
    m_context.reset();
    m_paused = true;
    m_link = PulseLink::Closed;
}

void PulseStream::Change(const std::function<void()>& change) {
    if (!m_loop) {
        change();
        return;
    }
    LoopLock lock(m_loop.get());
    if (m_link != PulseLink::Ready) {
        change();
        return;
    }
    if (!m_paused) {
        // Everything written and not yet heard: the stream's latency.
        pa_usec_t unheard = 0;
        int negative = 0;
        if (pa_stream_get_latency(m_stream.get(), &unheard, &negative) == 0 && negative == 0) {
            m_mixer.Rewind(static_cast<std::size_t>(unheard * MIX_RATE / 1000000));
        }
    }
    change();
    // The server asks at once for what it dropped, and is given the new mix; writing more than
    // it asks for would leave it asking for nothing while that surplus plays out.
    ReleaseOperation(pa_stream_flush(m_stream.get(), nullptr, nullptr));
    const bool silent = m_mixer.Silent();
    if (silent != m_paused) {
        ReleaseOperation(pa_stream_cork(m_stream.get(), silent ? 1 : 0, nullptr, nullptr));
        m_paused = silent;
    }
}
