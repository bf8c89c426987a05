// e2edriver.exe: a REPL the Linux-side tests use to drive and inspect Windows programs under Wine.
// One command per line on stdin, exactly one answer line on stdout; failures answer "error ...".
// See the command table at the bottom for the list.
#include <windows.h>
// clang-format off
#include <tlhelp32.h>
// clang-format on

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "handles.h"
#include "module_path.h"
#include "repl.h"
#include "scopes.h"
#include "window_number.h"

namespace e2e {
namespace {

struct Failure {
    std::string message;
};

[[noreturn]] void Fail(const std::string& message) { throw Failure{message}; }

// ---- number and text formatting --------------------------------------------------------------

std::string Dec(long long value) { return std::to_string(value); }

// Handles travel as signed 32-bit decimals, as Windows sign-extends them.
std::string HandleText(HWND hwnd) { return Dec(WindowToNumber(hwnd)); }

std::string Hex8(DWORD value) {
    char buf[16];
    std::snprintf(buf, sizeof(buf), "%08lX", static_cast<unsigned long>(value));
    return buf;
}

std::string RectText(const RECT& r) {
    return Dec(r.left) + "," + Dec(r.top) + "," + Dec(r.right - r.left) + "," +
           Dec(r.bottom - r.top);
}

// Keeps the answer on one line: backslash, CR and LF are escaped.
std::string OneLine(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\\')
            out += L"\\\\";
        else if (c == L'\n')
            out += L"\\n";
        else if (c == L'\r')
            out += L"\\r";
        else
            out += c;
    }
    return Narrow(out);
}

long long ParseInt(const std::wstring& text, const char* what) {
    size_t i = 0;
    if (!text.empty() && text[0] == L'-') i = 1;
    if (i == text.size() || text.size() > 19) Fail(std::string("bad ") + what);
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < L'0' || text[k] > L'9') Fail(std::string("bad ") + what);
    return std::stoll(text);
}

DWORD ParseTimeout(const std::wstring& text) {
    const long long ms = ParseInt(text, "timeout");
    if (ms < 0 || ms > 600000) Fail("bad timeout");
    return static_cast<DWORD>(ms);
}

HWND ParseHandle(const std::wstring& text) {
    const long long v = ParseInt(text, "handle");
    if (v < INT32_MIN || v > INT32_MAX) Fail("bad handle");
    return WindowFromNumber(static_cast<int32_t>(v));
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256];
    const int n = GetClassNameW(hwnd, name, ARRAYSIZE(name));
    return std::wstring(name, n > 0 ? n : 0);
}

// WM_GETTEXT with a timeout: works across processes and on edit controls.
std::wstring TextOf(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length))
        Fail("window does not answer");
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 5000, &copied))
        Fail("window does not answer");
    text.resize(copied < text.size() ? copied : text.size() - 1);
    return text;
}

std::wstring ExeOfWindow(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    UniqueKernelHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) Fail("cannot open the target process");
    wchar_t path[MAX_PATH * 4];
    DWORD size = ARRAYSIZE(path);
    if (!QueryFullProcessImageNameW(process.Get(), 0, path, &size)) Fail("no image name");
    return std::wstring(path, size);
}

UniqueModule LoadDatafile(const std::wstring& path) {
    UniqueModule module(LoadLibraryExW(path.c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module) Fail("cannot load " + Narrow(path));
    return module;
}

// ---- dialog template: a hidden, empty copy that keeps the font ------------------------------

class TemplateReader {
public:
    TemplateReader(const BYTE* data, size_t size) : data_(data), size_(size) {}

    template <typename T>
    T Read() {
        if (pos_ + sizeof(T) > size_) Fail("truncated dialog template");
        T value;
        memcpy(&value, data_ + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }
    // sz_Or_Ord: 0, 0xFFFF + ordinal, or a NUL-terminated string.
    void SkipNameOrOrdinal() {
        const WORD first = Read<WORD>();
        if (first == 0xFFFF)
            Read<WORD>();
        else if (first != 0)
            SkipString();
    }
    void SkipString() {
        while (Read<WORD>() != 0) {
        }
    }
    size_t pos() const { return pos_; }

private:
    const BYTE* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Rebuilds the template with no menu, class, title or controls and without WS_VISIBLE/WS_CHILD:
// what is left (style and font) is all that decides the dialog base units.
std::vector<WORD> HiddenEmptyTemplate(const BYTE* data, size_t size) {
    TemplateReader in(data, size);
    const bool extended = size >= 4 && reinterpret_cast<const WORD*>(data)[1] == 0xFFFF;
    DWORD style, exStyle, helpId = 0;
    WORD version = 1;
    if (extended) {
        version = in.Read<WORD>();
        in.Read<WORD>();
        helpId = in.Read<DWORD>();
        exStyle = in.Read<DWORD>();
        style = in.Read<DWORD>();
    } else {
        style = in.Read<DWORD>();
        exStyle = in.Read<DWORD>();
    }
    in.Read<WORD>();  // item count
    short box[4];
    for (short& v : box) v = in.Read<short>();
    in.SkipNameOrOrdinal();  // menu
    in.SkipNameOrOrdinal();  // class
    in.SkipString();         // title
    const size_t fontStart = in.pos();
    if (style & DS_SETFONT) {
        in.Read<WORD>();  // point size
        if (extended) {
            in.Read<WORD>();  // weight
            in.Read<WORD>();  // italic, charset
        }
        in.SkipString();
    }
    const size_t fontEnd = in.pos();

    style = (style & ~(WS_VISIBLE | WS_CHILD | DS_CONTROL)) | WS_POPUP;
    std::vector<WORD> out;
    auto put32 = [&out](DWORD v) {
        out.push_back(LOWORD(v));
        out.push_back(HIWORD(v));
    };
    if (extended) {
        out.push_back(version);
        out.push_back(0xFFFF);
        put32(helpId);
        put32(exStyle);
        put32(style);
    } else {
        put32(style);
        put32(exStyle);
    }
    out.push_back(0);  // no items
    for (short v : box) out.push_back(static_cast<WORD>(v));
    out.insert(out.end(), {0, 0, 0});  // no menu, default class, empty title
    const WORD* font = reinterpret_cast<const WORD*>(data + fontStart);
    out.insert(out.end(), font, font + (fontEnd - fontStart) / sizeof(WORD));
    return out;
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// ---- pixels ----------------------------------------------------------------------------------

// A top-down 32-bit DIB section with a memory DC that has it selected.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_.Reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap_ || !bits) Fail("cannot make a DIB section");
        bits_ = static_cast<const DWORD*>(bits);
        select_.emplace(dc_.Get(), bitmap_.Get());
    }
    HDC dc() const { return dc_.Get(); }
    DWORD Pixel(int x, int y) const {
        GdiFlush();
        return bits_[static_cast<size_t>(y) * width_ + x] & 0x00FFFFFF;
    }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    int width_, height_;
    UniqueMemoryDc dc_{CreateCompatibleDC(nullptr)};
    UniqueGdiObject bitmap_;
    const DWORD* bits_ = nullptr;
    std::optional<ScopedSelectObject> select_;
};

// ---- the driver ------------------------------------------------------------------------------

constexpr wchar_t kTickWindowClass[] = L"OrvaneE2eTickWindow";
constexpr wchar_t kCoverClass[] = L"OrvaneE2eCover";
constexpr WPARAM kBlinkTimerId = 2;

class Driver {
public:
    Driver();
    // Runs one command line; returns false on "quit".
    bool Run(const std::string& line);

private:
    using Args = std::vector<std::wstring>;
    using Command = std::string (Driver::*)(const Args&, const std::wstring& rest);
    struct Entry {
        Command command;
        size_t minArgs;
        size_t maxArgs;  // SIZE_MAX: any
    };

    HWND Target() const;
    HWND Control(const std::wstring& id) const;
    HWND FocusedWindow() const;
    HWND TickWindow();
    bool PlayerRunning() const;

    std::string Ping(const Args&, const std::wstring&) { return "pong"; }
    std::string Find(const Args& a, const std::wstring& rest);
    std::string SetTarget(const Args& a, const std::wstring&);
    std::string Text(const Args& a, const std::wstring&);
    std::string Checked(const Args& a, const std::wstring&);
    std::string Enabled(const Args& a, const std::wstring&);
    std::string Visible(const Args& a, const std::wstring&);
    std::string Click(const Args& a, const std::wstring&);
    std::string PostClick(const Args& a, const std::wstring&);
    std::string Focus(const Args&, const std::wstring&);
    std::string Key(const Args& a, const std::wstring&);
    std::string SysCommand(const Args& a, const std::wstring&);
    std::string Close(const Args&, const std::wstring&);
    std::string Alive(const Args&, const std::wstring&);
    std::string WaitGone(const Args& a, const std::wstring&);
    std::string Controls(const Args&, const std::wstring&);
    std::string Window(const Args&, const std::wstring&);
    std::string DlgUnits(const Args& a, const std::wstring&);
    std::string Bitmap(const Args& a, const std::wstring& rest);
    std::string Capture(const Args& a, const std::wstring& rest);
    std::string Dpi(const Args&, const std::wstring&);
    std::string DpiChanged(const Args& a, const std::wstring&);
    std::string Procs(const Args& a, const std::wstring& rest);
    std::string KillProcs(const Args& a, const std::wstring& rest);
    std::string MakeWindow(const Args&, const std::wstring&);
    std::string DestroyTickWindow(const Args&, const std::wstring&);
    std::string PlayerExe(const Args&, const std::wstring& rest);
    std::string StartPlayer(const Args&, const std::wstring& rest);
    std::string PlayerQuit(const Args&, const std::wstring&);
    std::string PlayerIdle(const Args& a, const std::wstring&);
    std::string PlayerWait(const Args& a, const std::wstring&);
    std::string PlayerKill(const Args&, const std::wstring&);
    std::string Ticks(const Args&, const std::wstring&);
    std::string Sleep(const Args& a, const std::wstring&);
    std::string Cover(const Args& a, const std::wstring&);
    std::string Uncover(const Args&, const std::wstring&);

    static LRESULT CALLBACK TickWindowProc(HWND, UINT, WPARAM, LPARAM);

    std::map<std::string, Entry> commands_;
    HWND target_ = nullptr;
    HWND tickWindow_ = nullptr;
    HWND cover_ = nullptr;
    std::wstring playerExe_;
    UniqueKernelHandle playerProcess_;
    DWORD playerThreadId_ = 0;
    static long ticks_;
};

long Driver::ticks_ = 0;

Driver::Driver() : playerExe_(ExeFolder() + L"atsbell.exe") {
    constexpr size_t any = SIZE_MAX;
    commands_ = {
        {"ping", {&Driver::Ping, 0, 0}},
        {"find", {&Driver::Find, 2, any}},
        {"target", {&Driver::SetTarget, 1, 1}},
        {"text", {&Driver::Text, 0, 1}},
        {"checked", {&Driver::Checked, 1, 1}},
        {"enabled", {&Driver::Enabled, 1, 1}},
        {"visible", {&Driver::Visible, 1, 1}},
        {"click", {&Driver::Click, 1, 1}},
        {"post-click", {&Driver::PostClick, 1, 1}},
        {"focus", {&Driver::Focus, 0, 0}},
        {"key", {&Driver::Key, 1, 1}},
        {"syscommand", {&Driver::SysCommand, 1, 1}},
        {"close", {&Driver::Close, 0, 0}},
        {"alive", {&Driver::Alive, 0, 0}},
        {"wait-gone", {&Driver::WaitGone, 1, 1}},
        {"controls", {&Driver::Controls, 0, 0}},
        {"window", {&Driver::Window, 0, 0}},
        {"dlgunits", {&Driver::DlgUnits, 6, any}},
        {"bitmap", {&Driver::Bitmap, 1, any}},
        {"capture", {&Driver::Capture, 2, any}},
        {"dpi", {&Driver::Dpi, 0, 0}},
        {"dpi-changed", {&Driver::DpiChanged, 1, 1}},
        {"procs", {&Driver::Procs, 1, any}},
        {"kill-procs", {&Driver::KillProcs, 1, any}},
        {"make-window", {&Driver::MakeWindow, 0, 0}},
        {"destroy-window", {&Driver::DestroyTickWindow, 0, 0}},
        {"player-exe", {&Driver::PlayerExe, 0, any}},
        {"start-player", {&Driver::StartPlayer, 0, any}},
        {"player-quit", {&Driver::PlayerQuit, 0, 0}},
        {"player-idle", {&Driver::PlayerIdle, 1, 1}},
        {"player-wait", {&Driver::PlayerWait, 1, 1}},
        {"player-kill", {&Driver::PlayerKill, 0, 0}},
        {"ticks", {&Driver::Ticks, 0, 0}},
        {"sleep", {&Driver::Sleep, 1, 1}},
        {"cover", {&Driver::Cover, 4, 4}},
        {"uncover", {&Driver::Uncover, 0, 0}},
    };
}

bool Driver::Run(const std::string& line) {
    const std::wstring wide = Widen(line);
    const size_t space = wide.find(L' ');
    const std::string name = Narrow(wide.substr(0, space));
    // The raw text after the command word and one space: titles and paths may hold spaces.
    const std::wstring rest = space == std::wstring::npos ? L"" : wide.substr(space + 1);
    if (name.empty()) {
        WriteLine("error empty command");
        return true;
    }
    if (name == "quit") {
        WriteLine("bye");
        return false;
    }
    const auto it = commands_.find(name);
    if (it == commands_.end()) {
        WriteLine("error unknown command " + name);
        return true;
    }
    const Args args = SplitWords(rest);
    const Entry& entry = it->second;
    if (args.size() < entry.minArgs || args.size() > entry.maxArgs) {
        WriteLine("error wrong number of arguments for " + name);
        return true;
    }
    try {
        WriteLine((this->*entry.command)(args, rest));
    } catch (const Failure& failure) {
        WriteLine("error " + failure.message);
    } catch (const std::exception& e) {
        WriteLine(std::string("error ") + e.what());
    }
    return true;
}

HWND Driver::Target() const {
    if (!target_) Fail("no target");
    if (!IsWindow(target_)) Fail("target is gone");
    return target_;
}

HWND Driver::Control(const std::wstring& id) const {
    const HWND control = GetDlgItem(Target(), static_cast<int>(ParseInt(id, "control id")));
    if (!control) Fail("no control " + Narrow(id));
    return control;
}

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

// dlgunits <exe path> <template id> <x> <y> <w> <h>: the path may hold spaces.
std::string Driver::DlgUnits(const Args& a, const std::wstring& rest) {
    const size_t n = a.size();
    const long long id = ParseInt(a[n - 5], "template id");
    RECT box{};
    box.left = static_cast<LONG>(ParseInt(a[n - 4], "x"));
    box.top = static_cast<LONG>(ParseInt(a[n - 3], "y"));
    // Each value is mapped on its own, as the dialog manager places controls.
    box.right = static_cast<LONG>(ParseInt(a[n - 2], "width"));
    box.bottom = static_cast<LONG>(ParseInt(a[n - 1], "height"));
    std::wstring path = rest;
    for (int i = 0; i < 5; ++i) {
        path.erase(path.find_last_not_of(L' ') + 1);
        path.erase(path.find_last_of(L' ') + 1);
    }
    path.erase(path.find_last_not_of(L' ') + 1);

    const UniqueModule module = LoadDatafile(path);
    const HRSRC resource =
        FindResourceW(module.Get(), MAKEINTRESOURCEW(static_cast<WORD>(id)), RT_DIALOG);
    if (!resource) Fail("no dialog template " + Dec(id));
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module.Get(), resource)));
    if (!data) Fail("cannot load dialog template");
    std::vector<WORD> hidden = HiddenEmptyTemplate(data, SizeofResource(module.Get(), resource));

    const HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                                   reinterpret_cast<LPCDLGTEMPLATEW>(hidden.data()),
                                                   nullptr, QuietDialogProc, 0);
    if (!dialog) Fail("cannot create the dialog: " + Dec(GetLastError()));
    const BOOL mapped = MapDialogRect(dialog, &box);
    DestroyWindow(dialog);
    if (!mapped) Fail("MapDialogRect failed");
    return Dec(box.left) + "," + Dec(box.top) + "," + Dec(box.right) + "," + Dec(box.bottom);
}

struct Match {
    int id = 0;
    double fraction = -1.0;
};

// The control's client area in screen coordinates; fails when it has no area.
RECT ClientOnScreen(HWND control) {
    RECT client;
    GetClientRect(control, &client);
    MapWindowPoints(control, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    if (client.right <= client.left || client.bottom <= client.top) Fail("control has no area");
    return client;
}

// Compares the control's area on screen with each candidate, drawn at its top left corner.
Match BestMatch(HWND control, const std::vector<std::pair<int, UniqueGdiObject>>& candidates) {
    const RECT client = ClientOnScreen(control);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;

    Canvas screen(width, height);
    {
        const ScopedGetDc screenDc(nullptr);
        BitBlt(screen.dc(), 0, 0, width, height, screenDc.Get(), client.left, client.top, SRCCOPY);
    }
    Match best;
    for (const auto& [id, picture] : candidates) {
        BITMAP info{};
        GetObjectW(picture.Get(), sizeof(info), &info);
        const int w = info.bmWidth < width ? info.bmWidth : width;
        const int h = info.bmHeight < height ? info.bmHeight : height;
        Canvas drawn(width, height);
        {
            const UniqueMemoryDc source(CreateCompatibleDC(nullptr));
            const ScopedSelectObject select(source.Get(), picture.Get());
            BitBlt(drawn.dc(), 0, 0, w, h, source.Get(), 0, 0, SRCCOPY);
        }
        long long equal = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (drawn.Pixel(x, y) == screen.Pixel(x, y)) ++equal;
        // Pixels outside the overlap of bitmap and control count as different.
        const long long total =
            static_cast<long long>(info.bmWidth > width ? info.bmWidth : width) *
            (info.bmHeight > height ? info.bmHeight : height);
        const double fraction = static_cast<double>(equal) / static_cast<double>(total);
        if (fraction > best.fraction) best = {id, fraction};
    }
    return best;
}

// bitmap <ctrl_id> [exe path]: which of the bitmaps 129..136 the control shows on screen.
// Painting is asynchronous, so short of an exact match it looks again for up to a second.
std::string Driver::Bitmap(const Args& a, const std::wstring& rest) {
    const HWND control = Control(a[0]);
    std::wstring exe;
    if (a.size() > 1) {
        exe = rest.substr(rest.find(L' ') + 1);
        exe.erase(0, exe.find_first_not_of(L' '));
    } else {
        exe = ExeOfWindow(Target());
    }
    const UniqueModule module = LoadDatafile(exe);
    std::vector<std::pair<int, UniqueGdiObject>> candidates;
    for (int id = 129; id <= 136; ++id) {
        UniqueGdiObject picture(
            LoadImageW(module.Get(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, 0));
        if (picture) candidates.emplace_back(id, std::move(picture));
    }
    if (candidates.empty()) return "none";

    Match best;
    PumpUntil(1000, [&] {
        best = BestMatch(control, candidates);
        return best.fraction >= 1.0;
    });
    char buf[32];
    std::snprintf(buf, sizeof(buf), "%d %.3f", best.id, best.fraction);
    return buf;
}

// capture <ctrl_id> <bmp path>: saves what the control shows on screen as a 24 bpp BMP file
// (the path may hold spaces); answers its width and height.
std::string Driver::Capture(const Args& a, const std::wstring& rest) {
    const HWND control = Control(a[0]);
    std::wstring path = rest.substr(rest.find(L' ') + 1);
    path.erase(0, path.find_first_not_of(L' '));
    const RECT client = ClientOnScreen(control);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    PumpUntil(200, nullptr);  // let a change of picture reach the screen
    Canvas screen(width, height);
    {
        const ScopedGetDc screenDc(nullptr);
        BitBlt(screen.dc(), 0, 0, width, height, screenDc.Get(), client.left, client.top, SRCCOPY);
    }

    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::vector<BYTE> bits(static_cast<size_t>(stride) * height);
    for (int y = 0; y < height; ++y) {
        BYTE* row = &bits[static_cast<size_t>(stride) * (height - 1 - y)];  // bottom-up
        for (int x = 0; x < width; ++x) {
            const DWORD p = screen.Pixel(x, y);
            row[3 * x] = static_cast<BYTE>(p);
            row[3 * x + 1] = static_cast<BYTE>(p >> 8);
            row[3 * x + 2] = static_cast<BYTE>(p >> 16);
        }
    }
    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(bits.size());
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + info.biSizeImage;
    UniqueKernelHandle out(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (out.Get() == INVALID_HANDLE_VALUE) Fail("cannot write " + Narrow(path));
    DWORD written = 0;
    if (!WriteFile(out.Get(), &file, sizeof(file), &written, nullptr) ||
        !WriteFile(out.Get(), &info, sizeof(info), &written, nullptr) ||
        !WriteFile(out.Get(), bits.data(), info.biSizeImage, &written, nullptr))
        Fail("cannot write " + Narrow(path));
    return Dec(width) + " " + Dec(height);
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
    if (message == WM_TIMER && wParam == kBlinkTimerId) {
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

// cover <x> <y> <w> <h>: a topmost magenta window over that screen rectangle, to see that
// pixel checks notice something drawn over the program.
std::string Driver::Cover(const Args& a, const std::wstring&) {
    static const ATOM atom = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = CreateSolidBrush(RGB(255, 0, 255));
        wc.lpszClassName = kCoverClass;
        return RegisterClassW(&wc);
    }();
    if (!atom) Fail("cannot register the window class");
    const int x = static_cast<int>(ParseInt(a[0], "x"));
    const int y = static_cast<int>(ParseInt(a[1], "y"));
    const int w = static_cast<int>(ParseInt(a[2], "width"));
    const int h = static_cast<int>(ParseInt(a[3], "height"));
    if (cover_) DestroyWindow(cover_);
    cover_ =
        CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kCoverClass, L"",
                        WS_POPUP, x, y, w, h, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!cover_) Fail("cannot create the window");
    ShowWindow(cover_, SW_SHOWNOACTIVATE);
    UpdateWindow(cover_);
    PumpUntil(200, nullptr);  // let it reach the screen
    return HandleText(cover_);
}

std::string Driver::Uncover(const Args&, const std::wstring&) {
    if (cover_) DestroyWindow(cover_);
    cover_ = nullptr;
    PumpUntil(200, nullptr);
    return "ok";
}

}  // namespace
}  // namespace e2e

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
