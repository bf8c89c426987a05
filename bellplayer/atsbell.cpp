// atsbell.exe: rings the ATS bell, or sounds the emergency brake, for the program that started
// it.
//
//   atsbell.exe atsopen <window handle as signed decimal>
//   atsbell.exe atsbrake <window handle as signed decimal>
//
// atsopen loops atsbell.wav from its own folder and posts WM_TIMER (wParam ats::TIMER_BLINK)
// to that window every ats::BELL_BLINK_INTERVAL_MS so its alarm lamp blinks. atsbrake plays
// atsbrake.wav from its own folder once, and ends when it has played out (at once for a wave it
// cannot play). Each ends with exit status 0 on WM_QUIT to its main thread or when the window
// is gone; 2 for a malformed command line; 3 when the window is not a live window of the
// starting process; 4 when it runs out of memory. Never shows anything.
#include <windows.h>
// clang-format off
#include <mmsystem.h>
#include <shellapi.h>
#include <tlhelp32.h>
// clang-format on

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "alarm_ids.h"
#include "alarm_text.h"
#include "handles.h"
#include "looping_wave.h"
#include "module_path.h"
#include "text.h"
#include "wave_file.h"
#include "window_number.h"

namespace {

constexpr int EXIT_OK = 0;
constexpr int EXIT_USAGE = 2;
constexpr int EXIT_NOT_SERVED = 3;
constexpr int EXIT_FAILED = 4;

// Posted to the main thread when the brake's wave has played out.
constexpr UINT WM_BRAKE_PLAYED = WM_APP + 1;
// How often the brake player looks whether its window is still there.
constexpr UINT WINDOW_CHECK_MS = 500;
// A stop asked for as the brake's sound starts may come before it: it is asked again this often.
constexpr DWORD STOP_RETRY_MS = 10;

class ArgList {
public:
    ArgList() : argv_(CommandLineToArgvW(GetCommandLineW(), &argc_)) {}
    ~ArgList() { LocalFree(argv_); }
    ArgList(const ArgList&) = delete;
    ArgList& operator=(const ArgList&) = delete;

    int size() const { return argv_ ? argc_ : 0; }
    const wchar_t* operator[](int i) const { return argv_[i]; }

private:
    int argc_ = 0;
    LPWSTR* argv_;
};

class ThreadTimer {
public:
    explicit ThreadTimer(UINT intervalMs) : id_(SetTimer(nullptr, 0, intervalMs, nullptr)) {}
    ~ThreadTimer() {
        if (id_ != 0) KillTimer(nullptr, id_);
    }
    ThreadTimer(const ThreadTimer&) = delete;
    ThreadTimer& operator=(const ThreadTimer&) = delete;

    UINT_PTR id() const { return id_; }

private:
    UINT_PTR id_;
};

// Optional '-', then digits only, within the range of a signed 32-bit integer.
std::optional<std::int32_t> ParseHandleValue(const wchar_t* text) {
    bool negative = false;
    if (*text == L'-') {
        negative = true;
        ++text;
    }
    if (*text == L'\0') return std::nullopt;
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t value = 0;
    for (; *text != L'\0'; ++text) {
        if (*text < L'0' || *text > L'9') return std::nullopt;
        value = value * 10 + (*text - L'0');
        if (value > limit) return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::optional<DWORD> ParentProcessId() {
    UniqueKernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return std::nullopt;
    const DWORD self = GetCurrentProcessId();
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
         more = Process32NextW(snapshot.Get(), &entry)) {
        if (entry.th32ProcessID == self) return entry.th32ParentProcessID;
    }
    return std::nullopt;
}

bool IsWindowOfProcess(HWND window, DWORD processId) {
    if (!IsWindow(window)) return false;
    DWORD owner = 0;
    return GetWindowThreadProcessId(window, &owner) != 0 && owner == processId;
}

int RingUntilQuit(HWND window, DWORD starterId) {
    ThreadTimer blink(ats::BELL_BLINK_INTERVAL_MS);
    LoopingWave bell(ExeFolder() + Utf8ToWide(TXT_BELL_WAVE));

    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) > 0) {
        if (msg.hwnd == nullptr && msg.message == WM_TIMER && msg.wParam == blink.id()) {
            if (!IsWindowOfProcess(window, starterId)) break;
            PostMessageW(window, WM_TIMER, ats::TIMER_BLINK, 0);
            continue;
        }
        DispatchMessageW(&msg);
    }
    return EXIT_OK;
}

// The wave plays on a thread of its own, so that the main thread takes a quit at once.
int SoundBrakeOnce(HWND window, DWORD starterId) {
    const std::vector<char> wave = ReadWaveFile(ExeFolder() + Utf8ToWide(TXT_BRAKE_WAVE));
    if (wave.empty()) return EXIT_OK;  // missing or not a wave: nothing to play

    ThreadTimer check(WINDOW_CHECK_MS);
    std::atomic<bool> stopping{false};
    std::atomic<bool> played{false};
    const DWORD mainThread = GetCurrentThreadId();
    const std::jthread sound([&] {
        // A wave PlaySound cannot play returns at once; no default sound comes in its place.
        if (!stopping.load())
            PlaySoundW(reinterpret_cast<LPCWSTR>(wave.data()), nullptr,
                       SND_MEMORY | SND_SYNC | SND_NODEFAULT);
        played.store(true);
        PostThreadMessageW(mainThread, WM_BRAKE_PLAYED, 0, 0);
    });

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.hwnd != nullptr) {
            DispatchMessageW(&msg);
        } else if (msg.message == WM_BRAKE_PLAYED) {
            break;
        } else if (msg.message == WM_TIMER && msg.wParam == check.id() &&
                   !IsWindowOfProcess(window, starterId)) {
            break;
        }
    }
    stopping.store(true);
    while (!played.load()) {
        PlaySoundW(nullptr, nullptr, 0);  // ends the sound the thread plays
        Sleep(STOP_RETRY_MS);
    }
    return EXIT_OK;
}

int Run() {
    // Make the message queue now, so a WM_QUIT posted right after our start is kept.
    MSG msg;
    PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);

    const ArgList args;
    if (args.size() != 3) return EXIT_USAGE;
    const std::wstring mode = args[1];
    if (mode != L"atsopen" && mode != L"atsbrake") return EXIT_USAGE;
    const auto value = ParseHandleValue(args[2]);
    if (!value) return EXIT_USAGE;

    const HWND window = WindowFromNumber(*value);
    const auto starterId = ParentProcessId();
    if (!starterId || !IsWindowOfProcess(window, *starterId)) return EXIT_NOT_SERVED;

    return mode == L"atsopen" ? RingUntilQuit(window, *starterId)
                              : SoundBrakeOnce(window, *starterId);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        return Run();
    } catch (...) {
        return EXIT_FAILED;  // out of memory: the sound ended with the unwinding
    }
}
