// The about box: icon, product name with version, legal notice.
#ifndef ORVANE_SHELL_ABOUT_DLG_H
#define ORVANE_SHELL_ABOUT_DLG_H

#include <string>

#include "dialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

private:
    std::wstring m_strVersion;
};

#endif
