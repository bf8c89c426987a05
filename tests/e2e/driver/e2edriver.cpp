// e2edriver.exe: a REPL the Linux-side tests use to drive and inspect Windows programs under Wine.
// One command per line on stdin, exactly one answer line on stdout; failures answer "error ...".
// driver.cpp holds the table of commands.
#include "driver.h"
#include "repl.h"

int wmain() {
    e2e::LineReader reader;
    e2e::Driver driver;
    for (;;) {
        e2e::PumpPending();
        if (auto line = reader.Pop()) {
            if (!driver.Run(*line)) return 0;
            continue;
        }
        if (reader.Ended()) return 0;
        HANDLE event = reader.event();
        MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
    }
}
