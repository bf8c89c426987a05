// The commands that find, read and work a window of another program by its control ids.
#include "answers.h"
#include "driver.h"
#include "repl.h"
#include "window_query.h"

namespace e2e {

// The window with the keyboard focus in the target's thread, if it is the target or inside it.
HWND Driver::FocusedWindow() const {
    const HWND target = Target();
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(target, nullptr), &info)) return nullptr;
    const HWND focus = info.hwndFocus;
    if (focus == target || (focus && IsChild(target, focus))) return focus;
    return nullptr;
}

std::string Driver::Find(const Args& a, const std::wstring& rest) {
    const DWORD timeout = ParseTimeout(a[0]);
    const std::wstring title = rest.substr(rest.find(L' ') + 1);
    struct Search {
        const std::wstring* title;
        HWND found;
    } search{&title, nullptr};
    auto look = [&search]() {
        search.found = nullptr;
        EnumWindows(
            [](HWND hwnd, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                if (!IsWindowVisible(hwnd) || ClassOf(hwnd) != L"#32770") return TRUE;
                wchar_t text[512];
                const int n = GetWindowTextW(hwnd, text, ARRAYSIZE(text));
                if (std::wstring(text, n > 0 ? n : 0) != *s->title) return TRUE;
                s->found = hwnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    };
    if (!PumpUntil(timeout, look)) return "none";
    target_ = search.found;
    return HandleText(target_);
}

std::string Driver::SetTarget(const Args& a, const std::wstring&) {
    const HWND hwnd = ParseHandle(a[0]);
    if (!IsWindow(hwnd)) Fail("no such window");
    target_ = hwnd;
    return "ok";
}

std::string Driver::Text(const Args& a, const std::wstring&) {
    return OneLine(TextOf(a.empty() ? Target() : Control(a[0])));
}

std::string Driver::Checked(const Args& a, const std::wstring&) {
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutW(Control(a[0]), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state))
        Fail("control does not answer");
    return Dec(static_cast<long long>(state));
}

std::string Driver::Enabled(const Args& a, const std::wstring&) {
    return IsWindowEnabled(Control(a[0])) ? "1" : "0";
}

std::string Driver::Visible(const Args& a, const std::wstring&) {
    return IsWindowVisible(Control(a[0])) ? "1" : "0";
}

std::string Driver::Click(const Args& a, const std::wstring&) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(Control(a[0]), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &result))
        Fail("timeout");
    return "ok";
}

std::string Driver::PostClick(const Args& a, const std::wstring&) {
    const HWND control = Control(a[0]);
    const int id = GetDlgCtrlID(control);
    if (!PostMessageW(Target(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(control)))
        Fail("post failed");
    return "ok";
}

std::string Driver::Focus(const Args&, const std::wstring&) {
    HWND focus = FocusedWindow();
    if (!focus) return "none";
    const HWND target = Target();
    if (focus == target) return "self";
    while (GetParent(focus) != target) focus = GetParent(focus);
    return Dec(GetDlgCtrlID(focus));
}

std::string Driver::Key(const Args& a, const std::wstring&) {
    const long long vk = ParseInt(a[0], "virtual key");
    if (vk < 1 || vk > 254) Fail("bad virtual key");
    HWND to = FocusedWindow();
    if (!to) to = Target();
    const UINT scan = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
    const LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    const LPARAM up = down | (1LL << 30) | (1LL << 31);
    if (!PostMessageW(to, WM_KEYDOWN, static_cast<WPARAM>(vk), down) ||
        !PostMessageW(to, WM_KEYUP, static_cast<WPARAM>(vk), up))
        Fail("post failed");
    return "ok";
}

std::string Driver::SysCommand(const Args& a, const std::wstring&) {
    const long long command = ParseInt(a[0], "command");
    if (!PostMessageW(Target(), WM_SYSCOMMAND, static_cast<WPARAM>(command), 0))
        Fail("post failed");
    return "ok";
}

std::string Driver::Close(const Args&, const std::wstring&) {
    if (!PostMessageW(Target(), WM_SYSCOMMAND, SC_CLOSE, 0)) Fail("post failed");
    return "ok";
}

std::string Driver::Alive(const Args&, const std::wstring&) {
    return target_ && IsWindow(target_) ? "1" : "0";
}

std::string Driver::WaitGone(const Args& a, const std::wstring&) {
    if (!target_) Fail("no target");
    const HWND target = target_;
    return PumpUntil(ParseTimeout(a[0]), [target] { return !IsWindow(target); }) ? "gone"
                                                                                 : "timeout";
}

std::string Driver::Controls(const Args&, const std::wstring&) {
    const HWND target = Target();
    std::string out;
    for (HWND child = GetWindow(target, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(HWND_DESKTOP, target, reinterpret_cast<POINT*>(&r), 2);
        if (!out.empty()) out += ' ';
        out += Dec(GetDlgCtrlID(child)) + ":" + Narrow(ClassOf(child)) + ":" +
               Hex8(static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE))) + ":" +
               Hex8(static_cast<DWORD>(GetWindowLongW(child, GWL_EXSTYLE))) + ":" + RectText(r);
    }
    return out;
}

std::string Driver::Window(const Args&, const std::wstring&) {
    const HWND target = Target();
    RECT window, client, work;
    GetWindowRect(target, &window);
    GetClientRect(target, &client);
    MapWindowPoints(target, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return "style=" + Hex8(static_cast<DWORD>(GetWindowLongW(target, GWL_STYLE))) +
           " exstyle=" + Hex8(static_cast<DWORD>(GetWindowLongW(target, GWL_EXSTYLE))) +
           " rect=" + RectText(window) + " client=" + RectText(client) +
           " screen=" + Dec(GetSystemMetrics(SM_CXSCREEN)) + "," +
           Dec(GetSystemMetrics(SM_CYSCREEN)) + " work=" + RectText(work);
}

// dpi: the target's DPI and DPI awareness (0 unaware, 1 system, 2 per monitor; -1 unknown).
std::string Driver::Dpi(const Args&, const std::wstring&) {
    const HWND target = Target();
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    using GetContextFunction = DPI_AWARENESS_CONTEXT(WINAPI*)(HWND);
    using GetAwarenessFunction = DPI_AWARENESS(WINAPI*)(DPI_AWARENESS_CONTEXT);
    const auto getDpi = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
    const auto getContext = reinterpret_cast<GetContextFunction>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetWindowDpiAwarenessContext")));
    const auto getAwareness = reinterpret_cast<GetAwarenessFunction>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    if (!getDpi || !getContext || !getAwareness) Fail("no per-window DPI calls");
    return Dec(getDpi(target)) + " " + Dec(getAwareness(getContext(target)));
}

// dpi-changed <dpi>: tells the target it now stands on a display of that scale, as Windows
// does when the window moves to another monitor; the suggested rectangle is the current one.
std::string Driver::DpiChanged(const Args& a, const std::wstring&) {
    const long long dpi = ParseInt(a[0], "dpi");
    if (dpi < 24 || dpi > 960) Fail("bad dpi");
    const HWND target = Target();
    RECT suggested;
    GetWindowRect(target, &suggested);
    DWORD_PTR result = 0;
    // A sent message: the system carries the rectangle across to the target's process.
    if (!SendMessageTimeoutW(target, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                             reinterpret_cast<LPARAM>(&suggested), SMTO_ABORTIFHUNG, 5000, &result))
        Fail("timeout");
    return "ok";
}

}  // namespace e2e
