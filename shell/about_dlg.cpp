#include "about_dlg.h"

#include "resource.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) { DDX_Text(pDX, IDC_VERSION, m_strVersion); }

BOOL CAboutDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const wchar_t* text = nullptr;
    const int length =
        LoadStringW(AfxGetApp()->m_hInstance, IDS_VERSION, reinterpret_cast<LPWSTR>(&text), 0);
    m_strVersion.assign(text != nullptr ? text : L"", length > 0 ? length : 0);
    UpdateData(FALSE);
    return TRUE;
}
