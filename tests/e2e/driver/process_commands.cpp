// The commands that list and end processes by name, and start and watch a bell player for a
// window of the driver's own, which counts the player's ticks.
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include "alarm_ids.h"
#include "answers.h"
#include "driver.h"
#include "module_path.h"
#include "repl.h"

namespace e2e {
namespace {

constexpr wchar_t kTickWindowClass[] = L"OrvaneE2eTickWindow";

template <typename Visit>
void ForEachProcessNamed(const std::wstring& name, Visit visit) {
    UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (snapshot.Get() == INVALID_HANDLE_VALUE) Fail("no process snapshot");
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (lstrcmpiW(entry.szExeFile, name.c_str()) == 0) visit(entry.th32ProcessID);
    }
}

}  // namespace

std::string Driver::Procs(const Args&, const std::wstring& rest) {
    int count = 0;
    ForEachProcessNamed(rest, [&count](DWORD) { ++count; });
    return Dec(count);
}

std::string Driver::KillProcs(const Args&, const std::wstring& rest) {
    int killed = 0;
    ForEachProcessNamed(rest, [&killed](DWORD pid) {
        if (pid == GetCurrentProcessId()) return;
        UniqueKernelHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
        if (process && TerminateProcess(process.Get(), 1)) {
            WaitForSingleObject(process.Get(), 5000);
            ++killed;
        }
    });
    return Dec(killed);
}

LRESULT CALLBACK Driver::TickWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == static_cast<WPARAM>(ats::TIMER_BLINK)) {
        ++ticks_;
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND Driver::TickWindow() {
    if (tickWindow_ && IsWindow(tickWindow_)) return tickWindow_;
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Driver::TickWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kTickWindowClass;
        return RegisterClassW(&wc);
    }();
    if (!atom) Fail("cannot register the window class");
    tickWindow_ =
        CreateWindowExW(0, kTickWindowClass, L"e2edriver ticks", WS_OVERLAPPEDWINDOW, 0, 0, 100,
                        100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!tickWindow_) Fail("cannot create the window");
    return tickWindow_;
}

std::string Driver::MakeWindow(const Args&, const std::wstring&) {
    return HandleText(TickWindow());
}

std::string Driver::DestroyTickWindow(const Args&, const std::wstring&) {
    if (!tickWindow_ || !DestroyWindow(tickWindow_)) Fail("no window");
    tickWindow_ = nullptr;
    return "ok";
}

bool Driver::PlayerRunning() const {
    return playerProcess_ && WaitForSingleObject(playerProcess_.Get(), 0) == WAIT_TIMEOUT;
}

std::string Driver::PlayerExe(const Args&, const std::wstring& rest) {
    playerExe_ = rest.empty() ? ExeFolder() + L"atsbell.exe" : rest;
    return "ok";
}

std::string Driver::StartPlayer(const Args&, const std::wstring& rest) {
    if (PlayerRunning()) Fail("player still running");
    std::wstring args = rest;
    const std::wstring token = L"{hwnd}";
    for (size_t at; (at = args.find(token)) != std::wstring::npos;)
        args.replace(at, token.size(), Widen(HandleText(TickWindow())));
    std::wstring commandLine = L"atsbell.exe";
    if (!args.empty()) commandLine += L" " + args;

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    // Detached, so the player holds none of our stdin/stdout pipes open.
    if (!CreateProcessW(playerExe_.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        DETACHED_PROCESS, nullptr, nullptr, &startup, &info))
        Fail("cannot start " + Narrow(playerExe_) + ": " + Dec(GetLastError()));
    CloseHandle(info.hThread);
    playerProcess_.Reset(info.hProcess);
    playerThreadId_ = info.dwThreadId;
    ticks_ = 0;
    return Dec(info.dwProcessId);
}

std::string Driver::PlayerQuit(const Args&, const std::wstring&) {
    if (!playerProcess_) Fail("no player");
    if (PostThreadMessageW(playerThreadId_, WM_QUIT, 0, 0)) return "ok";
    return "failed " + Dec(GetLastError());
}

// Waits until the player waits for messages: its queue exists from then on.
std::string Driver::PlayerIdle(const Args& a, const std::wstring&) {
    if (!playerProcess_) Fail("no player");
    const DWORD timeout = ParseTimeout(a[0]);
    if (!PlayerRunning()) return "exited";
    const DWORD result = WaitForInputIdle(playerProcess_.Get(), timeout);
    if (result == 0) return PlayerRunning() ? "idle" : "exited";
    if (result == WAIT_TIMEOUT) return "timeout";
    return PlayerRunning() ? "error " + Dec(GetLastError()) : "exited";
}

std::string Driver::PlayerWait(const Args& a, const std::wstring&) {
    if (!playerProcess_) Fail("no player");
    if (!PumpUntil(ParseTimeout(a[0]), nullptr, playerProcess_.Get())) return "running";
    DWORD code = 0;
    GetExitCodeProcess(playerProcess_.Get(), &code);
    return Dec(code);
}

std::string Driver::PlayerKill(const Args&, const std::wstring&) {
    if (!playerProcess_) Fail("no player");
    if (PlayerRunning()) {
        TerminateProcess(playerProcess_.Get(), 1);
        WaitForSingleObject(playerProcess_.Get(), 5000);
    }
    return "ok";
}

std::string Driver::Ticks(const Args&, const std::wstring&) { return Dec(ticks_); }

std::string Driver::Sleep(const Args& a, const std::wstring&) {
    PumpUntil(ParseTimeout(a[0]), nullptr);
    return "ok";
}

}  // namespace e2e
