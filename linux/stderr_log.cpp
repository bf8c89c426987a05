#include "stderr_log.h"

#include <cstdio>

void ComplainOnStderr(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}
