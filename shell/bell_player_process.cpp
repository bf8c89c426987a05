#include "bell_player_process.h"

#include <string>

#include "text.h"

namespace {

// A player that has not made its message queue yet refuses the quit; it is asked again.
constexpr DWORD kQuitRetryMs = 10;
// A player that neither takes the quit nor ends within this time is ended by force.
constexpr DWORD kQuitGraceMs = 2000;

void SeeQuitThrough(HANDLE process, DWORD threadId, bool posted) {
    const DWORD started = GetTickCount();
    while (WaitForSingleObject(process, kQuitRetryMs) == WAIT_TIMEOUT) {
        if (GetTickCount() - started >= kQuitGraceMs) {
            TerminateProcess(process, 1);
            return;
        }
        if (!posted) posted = PostThreadMessageW(threadId, WM_QUIT, 0, 0) != FALSE;
    }
}

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
    Quit();
    m_retiring.clear();  // joins the watchers before the job, and with it any player, closes
}

bool BellPlayerProcess::IsRunning() const {
    return m_process && WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT;
}

void BellPlayerProcess::Start(std::string_view commandLine) {
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
        return;  // no player: the bell stays silent, as with a missing player program
    }
    if (m_job) AssignProcessToJobObject(m_job.Get(), info.hProcess);
    ResumeThread(info.hThread);
    CloseHandle(info.hThread);
    m_process.Reset(info.hProcess);
    m_threadId = info.dwThreadId;
}

void BellPlayerProcess::Quit() {
    ForgetEndedRetirements();
    if (!IsRunning()) return;
    // Usually the player's queue exists and the quit is taken at once, on this thread.
    const bool posted = PostThreadMessageW(m_threadId, WM_QUIT, 0, 0) != FALSE;
    auto ended = std::make_shared<std::atomic<bool>>(false);
    std::jthread watcher([process = std::move(m_process), threadId = m_threadId, posted, ended] {
        SeeQuitThrough(process.Get(), threadId, posted);
        ended->store(true);
    });
    m_retiring.push_back(Retiring{std::move(ended), std::move(watcher)});
    m_threadId = 0;
}

void BellPlayerProcess::ForgetEndedRetirements() {
    std::erase_if(m_retiring, [](const Retiring& r) { return r.ended->load(); });
}
