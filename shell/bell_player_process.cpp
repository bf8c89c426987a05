#include "bell_player_process.h"

#include <string>
#include <utility>

#include "text.h"

namespace {

// A player that has not made its message queue yet refuses the quit; it is asked again.
constexpr DWORD QUIT_RETRY_MS = 10;
// A player that neither takes the quit nor ends within this time is ended by force.
constexpr DWORD QUIT_GRACE_MS = 2000;

UniqueKernelHandle MakeKillOnCloseJob() {
    UniqueKernelHandle job(CreateJobObjectW(nullptr, nullptr));
    if (job) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(job.Get(), JobObjectExtendedLimitInformation, &limits,
                                sizeof limits);
    }
    return job;
}

}  // namespace

BellPlayerProcess::BellPlayerProcess() : m_job(MakeKillOnCloseJob()) {}

BellPlayerProcess::~BellPlayerProcess() {
    try {
        Quit();
    } catch (...) {
        // Out of memory: the job below still ends the player when it closes.
    }
    m_retiring.clear();  // joins the watchers before the job, and with it any player, closes
}

void BellPlayerProcess::Retirement::SeeThrough() noexcept {
    const DWORD started = GetTickCount();
    while (WaitForSingleObject(process.Get(), QUIT_RETRY_MS) == WAIT_TIMEOUT) {
        if (GetTickCount() - started >= QUIT_GRACE_MS) {
            TerminateProcess(process.Get(), 1);
            break;
        }
        if (!posted) posted = PostThreadMessageW(threadId, WM_QUIT, 0, 0) != FALSE;
    }
    ended.store(true);
}

bool BellPlayerProcess::IsRunning() const {
    return m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

DWORD BellPlayerProcess::RunningProcessId() const { return IsRunning() ? m_processId : 0; }

bool BellPlayerProcess::Start(std::string_view commandLine) {
    Quit();
    std::wstring buffer = Utf8ToWide(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    // Suspended until it sits in the job, so not even its first instant escapes it.
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                        nullptr, &startup, &info)) {
        return false;  // no player: the bell stays silent, as with a missing player program
    }
    if (m_job) AssignProcessToJobObject(m_job.Get(), info.hProcess);
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    m_process.Reset(info.hProcess);
    m_processId = info.dwProcessId;
    m_threadId = info.dwThreadId;
    return true;
}

bool BellPlayerProcess::Quit() {
    ForgetEndedRetirements();
    if (!IsRunning()) return false;
    auto retirement = std::make_shared<Retirement>();
    retirement->process = std::move(m_process);
    retirement->threadId = std::exchange(m_threadId, 0);
    m_processId = 0;
    // Usually the player's queue exists and the quit is taken at once, on this thread.
    retirement->posted = PostThreadMessageW(retirement->threadId, WM_QUIT, 0, 0) != FALSE;
    // The rest is seen through off the window's thread, so a slow player never blocks it.
    // Without a thread to spare it is seen through here: the player must not outlive a quit.
    try {
        std::jthread watcher([retirement] { retirement->SeeThrough(); });
        m_retiring.push_back(Retiring{retirement, std::move(watcher)});
    } catch (...) {
        if (!retirement->ended.load()) retirement->SeeThrough();
    }
    return true;
}

void BellPlayerProcess::ForgetEndedRetirements() {
    std::erase_if(m_retiring, [](const Retiring& r) { return r.retirement->ended.load(); });
}
