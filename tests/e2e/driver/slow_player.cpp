// e2eslowplayer.exe: stands in for atsbell.exe to test a player that starts slowly. It makes
// its message queue only after a while, so a quit posted at once is refused; when a WM_QUIT
// does arrive it leaves the file "quit-received" beside itself and exits 0.
#include <windows.h>

#include <string>

namespace {

constexpr DWORD kQueueDelayMs = 700;

std::wstring FileBesideExe(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    return folder + name;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Sleep(kQueueDelayMs);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    }
    HANDLE marker = CreateFileW(FileBesideExe(L"quit-received").c_str(), GENERIC_WRITE, 0,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    return 0;
}
