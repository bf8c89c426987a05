#include "alarm_dlg.h"

#include <map>
#include <string>

#include "about_dlg.h"
#include "dpi.h"
#include "icon_size.h"
#include "picture_table.h"
#include "resource.h"
#include "sized_icon.h"

CAlarmDlg::CAlarmDlg(wnd::CWnd* parent)
    : CDialog(IDD_MAIN_DIALOG, parent),
      m_hIcon(wnd::AfxGetApp()->LoadIcon(IDR_MAINFRAME)),
      m_window(wnd::AfxGetApp()->m_hInstance,
               [this] {
                   UpdateData(TRUE);
                   return m_checkboxes;
               }),
      m_panel(m_window) {}

void CAlarmDlg::DoDataExchange(wnd::CDataExchange* pDX) {
    wnd::DDX_Check(pDX, IDC_ENDLESS, m_checkboxes.endless);
    wnd::DDX_Check(pDX, IDC_FULLAUTO, m_checkboxes.fullAuto);
    wnd::DDX_Check(pDX, IDC_IGNORESIGNAL, m_checkboxes.ignoreSignal);
    wnd::DDX_Check(pDX, IDC_NOOVERLAP, m_checkboxes.noOverlap);
}

BOOL CAlarmDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    std::map<int, int> firstPictures;
    for (const ats::ShownPicture& first : ats::FIRST_PICTURES)
        firstPictures[first.controlId] = first.bitmapId;
    m_window.Attach(m_hWnd, firstPictures);
    AppendItemsToSystemMenu();
    SetIcons(WindowDpi(m_hWnd));
    m_panel.InitDialog();
    return TRUE;  // the focus goes to the first tab stop
}

namespace {

// A string of the resources; empty when it is missing.
std::wstring LoadResourceString(UINT stringId) {
    const wchar_t* text = nullptr;
    const int length =
        LoadStringW(wnd::AfxGetApp()->m_hInstance, stringId, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

}  // namespace

void CAlarmDlg::AppendItemsToSystemMenu() {
    HMENU systemMenu = GetSystemMenu(m_hWnd, FALSE);
    if (systemMenu == nullptr) return;
    const std::wstring deadline = LoadResourceString(IDS_DEADLINE);
    const std::wstring about = LoadResourceString(IDS_ABOUTBOX);
    if (deadline.empty() || about.empty()) return;
    AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    // A check item: a screen reader reads whether it is ticked from the menu itself.
    AppendMenuW(systemMenu, MF_STRING | MF_UNCHECKED, IDM_DEADLINE, deadline.c_str());
    AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about.c_str());
}

void CAlarmDlg::ToggleConfirmDeadline() {
    m_panel.SetConfirmDeadline(!m_panel.ConfirmDeadline());
    CheckMenuItem(GetSystemMenu(m_hWnd, FALSE), IDM_DEADLINE,
                  MF_BYCOMMAND | (m_panel.ConfirmDeadline() ? MF_CHECKED : MF_UNCHECKED));
}

bool CAlarmDlg::OnCommand(int controlId, int notifyCode) {
    return notifyCode == BN_CLICKED && m_panel.OnControlClicked(controlId);
}

void CAlarmDlg::SetIcons(UINT dpi) {
    HICON large = m_hIcon;
    HICON small = m_hIcon;
    UniqueIcon sizedLarge, sizedSmall;
    const int largeSize = IconSizeAt(static_cast<int>(dpi), SystemMetricForDpi(SM_CXICON, dpi));
    const int smallSize = IconSizeAt(static_cast<int>(dpi), SystemMetricForDpi(SM_CXSMICON, dpi));
    if (largeSize > 0) sizedLarge = LoadSizedIcon(largeSize);
    if (smallSize > 0) sizedSmall = LoadSizedIcon(smallSize);
    if (sizedLarge) large = sizedLarge.Get();
    if (sizedSmall) small = sizedSmall.Get();
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(large));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    // The window no longer shows the icons of the scale before: release them now.
    m_largeIcon = std::move(sizedLarge);
    m_smallIcon = std::move(sizedSmall);
    m_iconDpi = dpi;
}

void CAlarmDlg::OnDpiChanged(UINT dpi) {
    m_window.OnDpiChanged(dpi);
    SetIcons(dpi);
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CAlarmDlg::OnTimer(UINT_PTR nIDEvent) { m_panel.OnTimer(static_cast<int>(nIDEvent)); }

// Enter while a checkbox has the focus: the program stays open; only 終了, Escape and the
// close box end it, and always through the clean-up.
void CAlarmDlg::OnOK() {}

void CAlarmDlg::OnCancel() {
    m_panel.ExitCleanup();
    CDialog::OnCancel();
}

bool CAlarmDlg::OnSysCommand(UINT nID, LPARAM /*lParam*/) {
    switch (nID & 0xFFF0) {
        case IDM_ABOUTBOX: {
            CAboutDlg about;
            about.DoModal();
            return true;
        }
        case IDM_DEADLINE: ToggleConfirmDeadline(); return true;
        default: return false;
    }
}

bool CAlarmDlg::OnPaint() {
    if (!IsIconic(m_hWnd)) return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(m_hWnd, &client);
    if (m_largeIcon) {
        const int size = SystemMetricForDpi(SM_CXICON, m_iconDpi);
        const int x = (client.right - client.left - size + 1) / 2;
        const int y = (client.bottom - client.top - size + 1) / 2;
        DrawIconEx(dc, x, y, m_largeIcon.Get(), size, size, 0, nullptr, DI_NORMAL);
    } else {
        const int x = (client.right - client.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
        const int y = (client.bottom - client.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(dc, x, y, m_hIcon);
    }
    EndPaint(m_hWnd, &paint);
    return true;
}
