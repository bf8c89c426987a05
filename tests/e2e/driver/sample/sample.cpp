// e2esample.exe: a small dialog the driver's own tests run against.
// "押す" counts clicks and swaps the picture between bitmaps 131 and 134; "知らせ" opens a
// message box; Escape, "閉じる" and the close box end it.
#include <windows.h>

#include <string>

#include "sample_ids.h"

namespace {

int g_clicks = 0;

void ShowPicture(HWND dialog, int bitmapId) {
    const HANDLE picture =
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId), IMAGE_BITMAP, 0, 0, 0);
    const HANDLE old = reinterpret_cast<HANDLE>(SendDlgItemMessageW(
        dialog, IDC_PICTURE, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture)));
    if (old) DeleteObject(old);
}

INT_PTR CALLBACK SampleProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            CheckDlgButton(dialog, IDC_CHECK, BST_CHECKED);
            SetDlgItemTextW(dialog, IDC_EDIT, L"編集 text");
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_PUSH:
                    ++g_clicks;
                    SetDlgItemTextW(dialog, IDC_COUNT, std::to_wstring(g_clicks).c_str());
                    ShowPicture(dialog, g_clicks % 2 ? 134 : 131);
                    return TRUE;
                case IDC_MESSAGE:
                    MessageBoxW(dialog, L"知らせ", L"試験の知らせ", MB_OK);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return static_cast<int>(
        DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SAMPLE), nullptr, SampleProc, 0));
}
