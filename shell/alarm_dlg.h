// The main dialog: the window of the alarm simulation.
#ifndef ORVANE_SHELL_ALARM_DLG_H
#define ORVANE_SHELL_ALARM_DLG_H

#include "alarm_panel.h"
#include "dialog.h"
#include "win32_alarm_window.h"

class CAlarmDlg : public CDialog {
public:
    explicit CAlarmDlg(CWnd* parent = nullptr);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    bool OnCommand(int controlId, int notifyCode) override;
    void OnOK() override;
    void OnCancel() override;
    bool OnSysCommand(UINT nID, LPARAM lParam) override;
    bool OnPaint() override;
    HICON OnQueryDragIcon() override { return m_hIcon; }
    void OnTimer(UINT_PTR nIDEvent) override;
    void OnHandlerFailed() override { m_panel.Recover(); }

private:
    void AppendAboutItemToSystemMenu();

    HICON m_hIcon;
    ats::OptionStates m_checkboxes;  // the four option checkboxes, by data exchange
    Win32AlarmWindow m_window;
    ats::AlarmPanel m_panel;
};

#endif
