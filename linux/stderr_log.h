// Where the Linux edition tells of its own failures: a sound that cannot play, a handler that
// failed.
#ifndef ORVANE_LINUX_STDERR_LOG_H
#define ORVANE_LINUX_STDERR_LOG_H

#include <QString>

// One line on standard error.
void ComplainOnStderr(const QString& line);

#endif
