#include "about_dlg.h"

#include "dpi.h"
#include "icon_size.h"
#include "resource.h"
#include "sized_icon.h"

namespace {

// The template's one icon static.
HWND IconStatic(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return child;
    return nullptr;
}

}  // namespace

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

void CAboutDlg::DoDataExchange(wnd::CDataExchange* pDX) {
    wnd::DDX_Text(pDX, IDC_VERSION, m_strVersion);
}

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const wchar_t* text = nullptr;
    const int length =
        LoadStringW(wnd::AfxGetApp()->m_hInstance, IDS_VERSION, reinterpret_cast<LPWSTR>(&text), 0);
    m_strVersion.assign(text != nullptr ? text : L"", length > 0 ? length : 0);
    UpdateData(FALSE);
    SetIcon(WindowDpi(m_hWnd));
    return TRUE;
}

void CAboutDlg::SetIcon(UINT dpi) {
    const HWND icon = IconStatic(m_hWnd);
    if (icon == nullptr) return;
    UniqueIcon sized;
    const int size = IconSizeAt(static_cast<int>(dpi), SystemMetricForDpi(SM_CXICON, dpi));
    if (size > 0) sized = LoadSizedIcon(size);
    if (!sized && !m_icon) return;  // the template's icon stays
    const HICON shown = sized ? sized.Get() : wnd::AfxGetApp()->LoadIcon(IDR_MAINFRAME);
    SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(shown), 0);
    // The static no longer shows the icon of the scale before: release it now.
    m_icon = std::move(sized);
}
