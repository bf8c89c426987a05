// The about box: icon, product name with version, legal notice.
#ifndef ORVANE_SHELL_ABOUT_DLG_H
#define ORVANE_SHELL_ABOUT_DLG_H

#include <string>

#include "dialog.h"
#include "handles.h"

class CAboutDlg : public wnd::CDialog {
public:
    CAboutDlg();

protected:
    void DoDataExchange(wnd::CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnDpiChanged(UINT dpi) override { SetIcon(dpi); }

private:
    // The icon for this display scale: group 128 of the template at 96 DPI, otherwise the size
    // that fits from the icon group drawn at every size.
    void SetIcon(UINT dpi);

    std::wstring m_strVersion;
    UniqueIcon m_icon;  // away from 96 DPI; outlives the box's window
};

#endif
