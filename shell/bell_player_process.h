// The running bell player (atsbell.exe): started hidden inside a kill-on-close job, told to
// quit with WM_QUIT to its main thread, and made sure to end.
#ifndef ORVANE_SHELL_BELL_PLAYER_PROCESS_H
#define ORVANE_SHELL_BELL_PLAYER_PROCESS_H

#include <windows.h>

#include <atomic>
#include <memory>
#include <string_view>
#include <thread>
#include <vector>

#include "handles.h"

class BellPlayerProcess {
public:
    BellPlayerProcess();
    ~BellPlayerProcess();
    BellPlayerProcess(const BellPlayerProcess&) = delete;
    BellPlayerProcess& operator=(const BellPlayerProcess&) = delete;

    // Starts a player with the command line; one still running is told to quit first.
    // False when no player could be started.
    bool Start(std::string_view commandLine);
    // Tells the player to quit if it is still running; otherwise does nothing. True when a
    // running player was told.
    bool Quit();
    // The process id of the player last started while it runs, else 0.
    DWORD RunningProcessId() const;

private:
    bool IsRunning() const;
    // A player told to quit, seen through until it has ended.
    struct Retirement {
        UniqueKernelHandle process;
        DWORD threadId = 0;
        bool posted = false;
        std::atomic<bool> ended{false};
        void SeeThrough() noexcept;
    };
    struct Retiring {
        std::shared_ptr<Retirement> retirement;
        std::jthread watcher;
    };
    void ForgetEndedRetirements();

    // Kills every player when the program's last handle to it closes, even after a crash.
    UniqueKernelHandle m_job;
    UniqueKernelHandle m_process;
    DWORD m_processId = 0;
    DWORD m_threadId = 0;
    // Each quit is seen through off the window's thread, so a slow player never blocks it.
    std::vector<Retiring> m_retiring;
};

#endif
