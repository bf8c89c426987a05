#include "dialog.h"

#include <commctrl.h>

#include <optional>

#include "placement.h"

namespace wnd {

namespace {

CWinApp* g_app = nullptr;

// Posted to a dialog on WM_DPICHANGED, so OnDpiChanged runs once the system's own handling of
// the change (new size, fonts and control layout) is done.
constexpr UINT WM_DPICHANGED_LAID_OUT = WM_APP + 0x100;

struct DialogTemplatePosition {
    short x = 0;
    short y = 0;
};

// Reads the position stored in a classic or an extended dialog template.
bool ReadTemplatePosition(HINSTANCE module, UINT templateId, DialogTemplatePosition& position) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(templateId), RT_DIALOG);
    if (found == nullptr || SizeofResource(module, found) < 24) return false;
    HGLOBAL loaded = LoadResource(module, found);
    const auto* bytes = static_cast<const BYTE*>(LockResource(loaded));
    if (bytes == nullptr) return false;
    const auto word = [bytes](size_t offset) {
        WORD value;
        memcpy(&value, bytes + offset, sizeof value);
        return value;
    };
    const bool extended = word(0) == 1 && word(2) == 0xFFFF;
    const size_t xOffset = extended ? 18 : 10;
    position.x = static_cast<short>(word(xOffset));
    position.y = static_cast<short>(word(xOffset + 2));
    return true;
}

}  // namespace

void DDX_Check(CDataExchange* pDX, int controlId, bool& value) {
    if (pDX->m_bSaveAndValidate) {
        value = IsDlgButtonChecked(pDX->m_hDlg, controlId) == BST_CHECKED;
    } else {
        CheckDlgButton(pDX->m_hDlg, controlId, value ? BST_CHECKED : BST_UNCHECKED);
    }
}

void DDX_Text(CDataExchange* pDX, int controlId, std::wstring& value) {
    HWND control = GetDlgItem(pDX->m_hDlg, controlId);
    if (pDX->m_bSaveAndValidate) {
        value.assign(static_cast<size_t>(GetWindowTextLengthW(control)), L'\0');
        GetWindowTextW(control, value.data(), static_cast<int>(value.size()) + 1);
    } else {
        SetWindowTextW(control, value.c_str());
    }
}

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

CWinApp* AfxGetApp() { return g_app; }

void CWinApp::Enable3dControls() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
}

HICON CWinApp::LoadIcon(UINT iconId) const {
    return ::LoadIconW(m_hInstance, MAKEINTRESOURCEW(iconId));
}

INT_PTR CDialog::DoModal() {
    return DialogBoxParamW(AfxGetApp()->m_hInstance, MAKEINTRESOURCEW(m_templateId), OwnerWindow(),
                           &CDialog::DialogProc, reinterpret_cast<LPARAM>(this));
}

HWND CDialog::OwnerWindow() const {
    if (m_pParentWnd != nullptr) return m_pParentWnd->m_hWnd;
    // With no parent given, the application's main window owns the dialog.
    const CWnd* main = AfxGetApp()->m_pMainWnd;
    if (main == nullptr || main == this || !IsWindow(main->m_hWnd)) return nullptr;
    return main->m_hWnd;
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange exchange(m_hWnd, saveAndValidate);
    DoDataExchange(&exchange);
    return TRUE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    UpdateData(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

bool CDialog::TemplateSitsAtOrigin() const {
    DialogTemplatePosition position;
    return ReadTemplatePosition(AfxGetApp()->m_hInstance, m_templateId, position) &&
           position.x == 0 && position.y == 0;
}

namespace {

// The work area of the monitor that shows most of the window; the primary one without a window.
RECT WorkAreaOf(HWND window) {
    RECT area{};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (window != nullptr &&
        GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) {
        area = monitor.rcWork;
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    return area;
}

ats::ScreenRect ToScreenRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

// Centres the dialog over its owner within the work area of the owner's monitor, or on the
// primary screen's work area when it has no owner.
void CDialog::CenterWindow(HWND over) {
    std::optional<ats::ScreenRect> owner;
    RECT ownerRect;
    if (over != nullptr && IsWindowVisible(over) && !IsIconic(over) &&
        GetWindowRect(over, &ownerRect))
        owner = ToScreenRect(ownerRect);
    RECT self;
    GetWindowRect(m_hWnd, &self);
    const ats::ScreenRect placed =
        ats::CentredRect(ToScreenRect(self), owner, ToScreenRect(WorkAreaOf(over)));
    SetWindowPos(m_hWnd, nullptr, placed.left, placed.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        dialog->m_hWnd = hwnd;
    }
    auto* dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (dialog == nullptr) return FALSE;
    // No exception may unwind through Windows' own frames: it is caught here, and the dialog
    // settles into a quiet state and runs on.
    try {
        return dialog->HandleMessage(message, wParam, lParam);
    } catch (...) {
        try {
            dialog->OnHandlerFailed();
        } catch (...) {
            // Nothing more can be done from here; the next message may fare better.
        }
        return FALSE;
    }
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            if (TemplateSitsAtOrigin()) CenterWindow(GetParent(m_hWnd));
            return OnInitDialog();
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            if (OnCommand(id, code)) return TRUE;
            if (id == IDOK) OnOK();
            if (id == IDCANCEL) OnCancel();
            return TRUE;
        }
        case WM_SYSCOMMAND: return OnSysCommand(static_cast<UINT>(wParam), lParam) ? TRUE : FALSE;
        case WM_PAINT: return OnPaint() ? TRUE : FALSE;
        case WM_QUERYDRAGICON: return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
        case WM_TIMER: OnTimer(wParam); return FALSE;  // then default processing
        case WM_DPICHANGED:
            PostMessageW(m_hWnd, WM_DPICHANGED_LAID_OUT, LOWORD(wParam), 0);
            return FALSE;  // the system resizes and lays out the dialog
        case WM_DPICHANGED_LAID_OUT: OnDpiChanged(static_cast<UINT>(wParam)); return TRUE;
        case WM_DESTROY: OnDestroy(); return FALSE;
        case WM_NCDESTROY: m_hWnd = nullptr; return FALSE;
        default: return FALSE;
    }
}

}  // namespace wnd
