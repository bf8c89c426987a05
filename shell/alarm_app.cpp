#include "alarm_app.h"

#include <string>

#include "alarm_dlg.h"
#include "module_path.h"

namespace {

// The wave files and the bell player are named bare; they sit beside the exe, so the exe's
// folder is made the current one whatever folder the program was started from.
void UseExeFolderAsCurrentDirectory() {
    const std::wstring folder = ExeFolder();
    if (!folder.empty()) SetCurrentDirectoryW(folder.c_str());
}

}  // namespace

CAlarmApp theApp;

BOOL CAlarmApp::InitInstance() {
    UseExeFolderAsCurrentDirectory();
    Enable3dControls();
    CAlarmDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;  // the dialog has closed: end the program
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    wnd::CWinApp* app = wnd::AfxGetApp();
    app->m_hInstance = instance;
    app->InitInstance();
    return 0;
}
