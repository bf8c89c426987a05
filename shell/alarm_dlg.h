// The main dialog: the window of the alarm simulation.
#ifndef ORVANE_SHELL_ALARM_DLG_H
#define ORVANE_SHELL_ALARM_DLG_H

#include "alarm_panel.h"
#include "dialog.h"
#include "handles.h"
#include "win32_alarm_window.h"

class CAlarmDlg : public wnd::CDialog {
public:
    explicit CAlarmDlg(wnd::CWnd* parent = nullptr);

protected:
    void DoDataExchange(wnd::CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    bool OnCommand(int controlId, int notifyCode) override;
    void OnOK() override;
    void OnCancel() override;
    bool OnSysCommand(UINT nID, LPARAM lParam) override;
    bool OnPaint() override;
    HICON OnQueryDragIcon() override { return LargeIcon(); }
    void OnTimer(UINT_PTR nIDEvent) override;
    void OnDpiChanged(UINT dpi) override;
    void OnDestroy() override { m_window.Detach(); }
    void OnHandlerFailed() override { m_panel.Recover(); }

private:
    // The system menu's own items, then the confirm deadline's check item and, last, the
    // about item.
    void AppendItemsToSystemMenu();
    void ToggleConfirmDeadline();
    // The caption's icons for this display scale: group 128 at 96 DPI, otherwise the sizes
    // that fit from the icon group drawn at every size.
    void SetIcons(UINT dpi);
    HICON LargeIcon() const { return m_largeIcon ? m_largeIcon.Get() : m_hIcon; }

    HICON m_hIcon;
    UniqueIcon m_largeIcon;  // away from 96 DPI
    UniqueIcon m_smallIcon;
    UINT m_iconDpi = USER_DEFAULT_SCREEN_DPI;
    ats::OptionStates m_checkboxes;  // the four option checkboxes, by data exchange
    Win32AlarmWindow m_window;
    ats::AlarmPanel m_panel;
};

#endif
