// The commands that read what a window shows: dialog units in pixels, the picture a control
// shows, a control's pixels saved; and a cover drawn over the screen.
#include <cstdio>
#include <utility>
#include <vector>

#include "answers.h"
#include "dialog_template.h"
#include "driver.h"
#include "repl.h"
#include "screen_pixels.h"
#include "window_query.h"

namespace e2e {
namespace {

constexpr wchar_t kCoverClass[] = L"OrvaneE2eCover";

}  // namespace

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

    box = MapDialogUnits(path, id, box);
    return Dec(box.left) + "," + Dec(box.top) + "," + Dec(box.right) + "," + Dec(box.bottom);
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
    PumpUntil(200, nullptr);  // let a change of picture reach the screen
    SaveScreenBmp(client, path);
    return Dec(client.right - client.left) + " " + Dec(client.bottom - client.top);
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

}  // namespace e2e
