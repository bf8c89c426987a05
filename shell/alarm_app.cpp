#include "alarm_app.h"

#include <string>

#include "alarm_dlg.h"

namespace {

// The wave files and the bell player are named bare; they sit beside the exe, so the exe's
// folder is made the current one whatever folder the program was started from.
void UseExeFolderAsCurrentDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
           path.size()) {
        path.resize(path.size() * 2);
    }
    path.resize(length);
    const size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return;
    path.resize(slash);
    SetCurrentDirectoryW(path.c_str());
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
    CWinApp* app = AfxGetApp();
    app->m_hInstance = instance;
    app->InitInstance();
    return 0;
}
