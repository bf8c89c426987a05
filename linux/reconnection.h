// When the sound thread connects to the sound server again, and what it says about it.
#ifndef ORVANE_LINUX_RECONNECTION_H
#define ORVANE_LINUX_RECONNECTION_H

#include <cstdint>

#include "pulse_link.h"

// From the link's state, whether a sound is wanted, and a monotonic clock in milliseconds.
// Plain logic, tested on its own.
class Reconnection {
public:
    static constexpr std::int64_t RETRY_MS = 500;      // a lost server is looked for this often
    static constexpr std::int64_t DEADLINE_MS = 2000;  // a server silent this long is given up

    enum class Act { Keep, Drop, Reconnect };
    enum class Say { Nothing, Lost, Back };
    struct Step {
        Act act;
        Say say;
        bool operator==(const Step&) const = default;
    };

    Step Next(PulseLink link, bool wanted, std::int64_t nowMs);

private:
    bool m_lost = false;  // Lost was said and Back not yet
    std::int64_t m_attemptMs = 0;
    bool m_attempted = false;
};

#endif
