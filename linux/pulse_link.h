// The link to the sound server, as the sound thread sees it.
#ifndef ORVANE_LINUX_PULSE_LINK_H
#define ORVANE_LINUX_PULSE_LINK_H

enum class PulseLink { Closed, Connecting, Ready, Failed };

#endif
