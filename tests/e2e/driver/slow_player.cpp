// e2eslowplayer.exe: stands in for atsbell.exe to test a player that starts slowly. It makes
// its message queue only after a while, so a quit posted at once is refused; when a WM_QUIT
// does arrive it leaves the file "quit-received" beside itself and exits 0.
#include <windows.h>

#include <string>

#include "handles.h"
#include "module_path.h"

namespace {

constexpr DWORD kQueueDelayMs = 700;

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Sleep(kQueueDelayMs);
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    }
    const UniqueKernelHandle marker(CreateFileW((ExeFolder() + L"quit-received").c_str(),
                                                GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return 0;
}
