#include "reconnection.h"

Reconnection::Step Reconnection::Next(PulseLink link, bool wanted, std::int64_t nowMs) {
    Step step{Act::Keep, Say::Nothing};
    if (link == PulseLink::Ready) {
        if (m_lost) step.say = Say::Back;
        m_lost = false;
        return step;
    }
    if (link == PulseLink::Connecting && nowMs - m_attemptMs < DEADLINE_MS) return step;
    if (!wanted) {
        // Nothing to hear: a broken link is closed and looked for again with the next sound.
        if (link != PulseLink::Closed) step.act = Act::Drop;
        return step;
    }
    if (link != PulseLink::Closed && !m_lost) {
        m_lost = true;
        step.say = Say::Lost;
    }
    if (link == PulseLink::Closed || !m_attempted || nowMs - m_attemptMs >= RETRY_MS) {
        step.act = Act::Reconnect;
        m_attempted = true;
        m_attemptMs = nowMs;
    }
    return step;
}
