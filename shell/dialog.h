// The small dialog layer that stands where a framework would: an application object, windows,
// modal dialogs run from templates with handlers named as frameworks name them, and data
// exchange between controls and fields. It lives in namespace wnd, apart from the program
// built on it, and knows nothing of that program; of the core it takes only the rule for where
// a dialog opens (placement.h).
#ifndef ORVANE_SHELL_DIALOG_H
#define ORVANE_SHELL_DIALOG_H

#include <windows.h>

#include <string>

namespace wnd {

class CWnd {
public:
    virtual ~CWnd() = default;

    HWND m_hWnd = nullptr;
};

// One run of data exchange: controls to fields (save) or fields to controls.
class CDataExchange {
public:
    CDataExchange(HWND dialog, BOOL saveAndValidate)
        : m_hDlg(dialog), m_bSaveAndValidate(saveAndValidate) {}
    HWND m_hDlg;
    BOOL m_bSaveAndValidate;
};

void DDX_Check(CDataExchange* pDX, int controlId, bool& value);
void DDX_Text(CDataExchange* pDX, int controlId, std::wstring& value);

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Runs the application; returning FALSE ends the program at once.
    virtual BOOL InitInstance() { return FALSE; }
    // Turns on the common controls, so dialogs get the system's visual style.
    void Enable3dControls();
    HICON LoadIcon(UINT iconId) const;

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
};

CWinApp* AfxGetApp();

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr)
        : m_templateId(templateId), m_pParentWnd(parent) {}
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Runs the dialog modally; returns the result given to EndDialog.
    INT_PTR DoModal();
    // TRUE: controls to fields; FALSE: fields to controls.
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

protected:
    virtual void DoDataExchange(CDataExchange* /*pDX*/) {}
    virtual BOOL OnInitDialog();
    // The derived class's command routing; false when it has no entry for the command.
    virtual bool OnCommand(int /*controlId*/, int /*notifyCode*/) { return false; }
    virtual void OnOK();
    virtual void OnCancel();
    // Handlers that return false leave the message to default processing.
    virtual bool OnSysCommand(UINT /*nID*/, LPARAM /*lParam*/) { return false; }
    virtual bool OnPaint() { return false; }
    virtual HICON OnQueryDragIcon() { return nullptr; }
    virtual void OnTimer(UINT_PTR /*nIDEvent*/) {}
    // The window has moved to a display of another scale and the system has laid the dialog
    // out again for it.
    virtual void OnDpiChanged(UINT /*dpi*/) {}
    // The window is being destroyed; its controls are still there.
    virtual void OnDestroy() {}
    // A handler threw: bring the dialog back to a quiet, consistent state. May throw too.
    virtual void OnHandlerFailed() {}
    void EndDialog(int result) { ::EndDialog(m_hWnd, result); }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    HWND OwnerWindow() const;
    bool TemplateSitsAtOrigin() const;
    void CenterWindow(HWND over);

    UINT m_templateId;
    CWnd* m_pParentWnd;
};

}  // namespace wnd

#endif
