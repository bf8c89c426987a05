// e2eplayerhost.exe: the program's BellPlayerProcess in a small REPL, so the tests can start and
// quit real bell players under Wine exactly as the program does. It owns a hidden window, so
// atsbell.exe accepts it as its starter's window; "{hwnd}" in a command line stands for it.
//
//   start <command line>   Start(); answers "true <pid>" (RunningProcessId() right after) or
//                          "false 0"
//   quit-player            Quit(); answers "true" when a running player was told, else "false"
//   pid                    RunningProcessId()
//   wait <pid> <ms>        exit code of a player this host started, or "running"
//   ticks                  blink ticks (WM_TIMER id 2) the window has received
//   sleep <ms>             pumps messages for that long
//   decoy <tid> <tries>    makes threads until one gets the thread id <tid> and keeps it waiting
//                          for messages; answers "taken" or "missed"
//   decoy-quits            WM_QUITs the decoy thread has received
//   thread-of <pid>        the main thread id of a running process
//   ping / quit            "pong" / "bye", and the host ends (as the e2edriver REPL does)
#include <windows.h>
// clang-format off
#include <tlhelp32.h>
// clang-format on

#include <atomic>
#include <cstdint>
#include <map>
#include <string>

#include "alarm_ids.h"
#include "bell_player_process.h"
#include "handles.h"
#include "repl.h"
#include "window_number.h"

namespace e2e {
namespace {

constexpr wchar_t kWindowClass[] = L"OrvaneE2ePlayerHost";

std::atomic<long> g_ticks{0};

LRESULT CALLBACK HostWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == ats::TIMER_BLINK) {
        ++g_ticks;
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND MakeHostWindow() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);
    return CreateWindowExW(0, kWindowClass, L"e2eplayerhost", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                           nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

bool ParseNumber(const std::wstring& text, long long& value) {
    if (text.empty() || text.size() > 12) return false;
    size_t i = text[0] == L'-' ? 1 : 0;
    if (i == text.size()) return false;
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < L'0' || text[k] > L'9') return false;
    value = std::stoll(text);
    return true;
}

// The first thread of a running process: the one created earliest.
DWORD MainThreadOf(DWORD pid) {
    UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot) return 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD first = 0;
    ULONGLONG firstCreated = ~0ULL;
    for (BOOL more = Thread32First(snapshot.Get(), &entry); more;
         more = Thread32Next(snapshot.Get(), &entry)) {
        if (entry.th32OwnerProcessID != pid) continue;
        UniqueKernelHandle thread(
            OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ThreadID));
        FILETIME created, exited, kernel, user;
        if (!thread || !GetThreadTimes(thread.Get(), &created, &exited, &kernel, &user)) continue;
        const ULONGLONG when = (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime;
        if (when < firstCreated) {
            firstCreated = when;
            first = entry.th32ThreadID;
        }
    }
    return first;
}

// A thread of ours that took a given thread id, counting the WM_QUITs that reach it.
class Decoy {
public:
    ~Decoy() { Release(); }

    // Makes threads until one is given the wanted id; the others end at once, freeing theirs.
    bool Take(DWORD wanted, int tries) {
        Release();
        wanted_.store(wanted);
        for (int i = 0; i < tries; ++i) {
            DWORD id = 0;
            UniqueKernelHandle thread(CreateThread(nullptr, 0, &Decoy::Wait, this, 0, &id));
            if (!thread) return false;
            if (id == wanted) {
                thread_ = std::move(thread);
                threadId_ = id;
                return true;
            }
            WaitForSingleObject(thread.Get(), 5000);
        }
        return false;
    }

    long quits() const { return quits_.load(); }

private:
    static DWORD WINAPI Wait(void* self) {
        auto* decoy = static_cast<Decoy*>(self);
        if (GetCurrentThreadId() != decoy->wanted_.load()) return 0;
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the queue
        for (;;) {
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) ++decoy->quits_;
            if (got < 0 || msg.message == WM_APP) return 0;
        }
    }

    void Release() {
        if (!thread_) return;
        // Ends with WM_APP, so every WM_QUIT counted came from outside.
        PostThreadMessageW(threadId_, WM_APP, 0, 0);
        if (WaitForSingleObject(thread_.Get(), 5000) == WAIT_TIMEOUT)
            TerminateThread(thread_.Get(), 1);
        thread_.Reset();
        threadId_ = 0;
    }

    UniqueKernelHandle thread_;
    DWORD threadId_ = 0;
    std::atomic<DWORD> wanted_{0};
    std::atomic<long> quits_{0};
};

class Host {
public:
    Host() : window_(MakeHostWindow()) {}

    // Answers one command line; false on "quit".
    bool Run(const std::string& line) {
        const std::wstring wide = Widen(line);
        const size_t space = wide.find(L' ');
        const std::wstring name = wide.substr(0, space);
        const std::wstring rest = space == std::wstring::npos ? L"" : wide.substr(space + 1);
        const auto args = SplitWords(rest);
        if (name == L"quit") {
            WriteLine("bye");
            return false;
        }
        WriteLine(Answer(name, rest, args));
        return true;
    }

private:
    std::string Answer(const std::wstring& name, const std::wstring& rest,
                       const std::vector<std::wstring>& args) {
        long long a = 0, b = 0;
        if (name == L"ping") return "pong";
        if (name == L"start" && !rest.empty()) return Start(rest);
        if (name == L"quit-player" && args.empty()) return players_.Quit() ? "true" : "false";
        if (name == L"pid" && args.empty()) return std::to_string(players_.RunningProcessId());
        if (name == L"ticks" && args.empty()) return std::to_string(g_ticks.load());
        if (name == L"sleep" && args.size() == 1 && ParseNumber(args[0], a) && a >= 0) {
            PumpUntil(static_cast<DWORD>(a), nullptr);
            return "ok";
        }
        if (name == L"wait" && args.size() == 2 && ParseNumber(args[0], a) &&
            ParseNumber(args[1], b) && b >= 0)
            return Wait(static_cast<DWORD>(a), static_cast<DWORD>(b));
        if (name == L"decoy" && args.size() == 2 && ParseNumber(args[0], a) &&
            ParseNumber(args[1], b))
            return decoy_.Take(static_cast<DWORD>(a), static_cast<int>(b)) ? "taken" : "missed";
        if (name == L"decoy-quits" && args.empty()) return std::to_string(decoy_.quits());
        if (name == L"thread-of" && args.size() == 1 && ParseNumber(args[0], a))
            return std::to_string(MainThreadOf(static_cast<DWORD>(a)));
        return "error bad command " + Narrow(name);
    }

    std::string Start(std::wstring commandLine) {
        const std::wstring token = L"{hwnd}";
        const std::wstring number = std::to_wstring(WindowToNumber(window_));
        for (size_t at; (at = commandLine.find(token)) != std::wstring::npos;)
            commandLine.replace(at, token.size(), number);
        g_ticks = 0;
        if (!players_.Start(Narrow(commandLine))) return "false 0";
        const DWORD pid = players_.RunningProcessId();
        // Our own handle, only to read the exit code later; the player under test is unaffected.
        if (pid != 0)
            observed_[pid].Reset(
                OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
        return "true " + std::to_string(pid);
    }

    std::string Wait(DWORD pid, DWORD timeoutMs) {
        const auto it = observed_.find(pid);
        if (it == observed_.end() || !it->second) return "error not a player of this host";
        if (!PumpUntil(timeoutMs, nullptr, it->second.Get())) return "running";
        DWORD code = 0;
        GetExitCodeProcess(it->second.Get(), &code);
        return std::to_string(code);
    }

    HWND window_;
    BellPlayerProcess players_;
    std::map<DWORD, UniqueKernelHandle> observed_;
    Decoy decoy_;
};

}  // namespace
}  // namespace e2e

int wmain() {
    e2e::LineReader reader;
    e2e::Host host;
    for (;;) {
        e2e::PumpPending();
        if (auto line = reader.Pop()) {
            if (!host.Run(*line)) return 0;
            continue;
        }
        if (reader.Ended()) return 0;
        HANDLE event = reader.event();
        MsgWaitForMultipleObjects(1, &event, FALSE, INFINITE, QS_ALLINPUT);
    }
}
