// e2epictures.exe: runs the program's picture code in this process, on the main dialog built
// from the program's own resources, and checks what becomes of each bitmap handle (GDI handles
// cannot be seen from another process) and which picture tells a screen reader of the news.
// One line per check ("ok ..." or "FAIL ..."); the exit code is the number of failures.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "alarm_ids.h"
#include "repl.h"
#include "resource.h"
#include "win32_alarm_window.h"

namespace {

int g_failures = 0;

void Check(bool condition, const std::string& what) {
    if (!condition) ++g_failures;
    e2e::WriteLine((condition ? "ok " : "FAIL ") + what);
}

HBITMAP Shown(HWND dialog, int control) {
    return reinterpret_cast<HBITMAP>(
        SendDlgItemMessageW(dialog, control, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

bool Alive(HBITMAP bitmap) { return bitmap != nullptr && GetObjectType(bitmap) == OBJ_BITMAP; }

SIZE ControlSize(HWND dialog, int control) {
    RECT r;
    GetWindowRect(GetDlgItem(dialog, control), &r);
    return {r.right - r.left, r.bottom - r.top};
}

// The name changes a screen reader hears while act runs, by the window that sent them.
std::vector<HWND> g_renamed;

void CALLBACK OnNameChange(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD,
                           DWORD) {
    if (object == OBJID_CLIENT && child == CHILDID_SELF) g_renamed.push_back(window);
}

std::vector<HWND> NameChanges(const std::function<void()>& act) {
    g_renamed.clear();
    const HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, OnNameChange,
                        GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    act();
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    UnhookWinEvent(hook);
    return g_renamed;
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

}  // namespace

int wmain() {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    const HWND dialog =
        CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_MAIN_DIALOG), nullptr, QuietDialogProc, 0);
    Check(dialog != nullptr, "the main dialog is made from the resources");
    if (dialog == nullptr) return 1;
    {
        const HBITMAP templatePanel = Shown(dialog, IDC_PANEL);
        const HBITMAP templateSignal = Shown(dialog, IDC_SIGNAL);
        Check(Alive(templatePanel) && Alive(templateSignal), "the template gives both pictures");

        Win32AlarmWindow window(module, [] { return ats::OptionStates{}; });
        window.Attach(dialog, {{IDC_PANEL, IDB_PANEL_NORMAL}, {IDC_SIGNAL, IDB_SIGNAL_STOP}});
        window.ShowBitmap(IDC_PANEL, IDB_PANEL_ALARM);
        window.ShowBitmap(IDC_SIGNAL, IDB_SIGNAL_CAUTION);
        Check(!Alive(templatePanel), "the panel's template bitmap is released once replaced");
        Check(!Alive(templateSignal), "the signal's template bitmap is released once replaced");

        const HBITMAP ownPanel = Shown(dialog, IDC_PANEL);
        Check(Alive(ownPanel), "the panel shows a live bitmap");
        window.ShowBitmap(IDC_PANEL, IDB_PANEL_DARK);
        Check(!Alive(ownPanel), "the panel's previous bitmap is released");
        Check(Alive(Shown(dialog, IDC_PANEL)), "the panel's new bitmap is kept");
        window.ShowBitmap(IDC_PANEL, IDB_PANEL_DARK);
        Check(Alive(Shown(dialog, IDC_PANEL)), "showing the same picture again keeps a live one");

        const HWND panelControl = GetDlgItem(dialog, IDC_PANEL);
        const HWND signalControl = GetDlgItem(dialog, IDC_SIGNAL);
        Check(NameChanges([&] { window.AlarmChanged(true); }) == std::vector{panelControl},
              "the alarm's news is the panel's name change");
        Check(NameChanges([&] { window.AspectChanged(ats::ASPECT_CAUTION); }) ==
                  std::vector{signalControl},
              "the aspect's news is the signal's name change");
        Check(NameChanges([&] { window.BrakeApplied(); }) == std::vector{panelControl},
              "the brake's news is the panel's name change");
        Check(NameChanges([&] { window.ShowBitmap(IDC_PANEL, IDB_PANEL_ALARM); }).empty(),
              "a blink is no news");

        window.OnDpiChanged(144);
        const SIZE panel = ControlSize(dialog, IDC_PANEL);
        const SIZE signal = ControlSize(dialog, IDC_SIGNAL);
        Check(panel.cx == 225 && panel.cy == 150, "at 144 DPI the panel is 225 x 150");
        Check(signal.cx == 48 && signal.cy == 96, "at 144 DPI the signal is 48 x 96");
        Check(Alive(Shown(dialog, IDC_PANEL)) && Alive(Shown(dialog, IDC_SIGNAL)),
              "both scaled bitmaps are kept");
        window.OnDpiChanged(96);
        const SIZE back = ControlSize(dialog, IDC_PANEL);
        Check(back.cx == 150 && back.cy == 100, "back at 96 DPI the panel is 150 x 100");
    }  // the adapter releases the bitmaps it owns
    DestroyWindow(dialog);
    return g_failures;
}
