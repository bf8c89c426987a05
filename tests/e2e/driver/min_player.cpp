// e2eminplayer.exe: the floor the bell player is measured against. It only loops atsbell.wav
// (found by bare name, as the program finds its chime) until WM_QUIT: no argument check, no
// window check, no blink.
#include <windows.h>
// clang-format off
#include <mmsystem.h>
// clang-format on

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    PlaySoundW(L"atsbell.wav", nullptr, SND_FILENAME | SND_LOOP | SND_ASYNC | SND_NODEFAULT);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    }
    PlaySoundW(nullptr, nullptr, 0);
    return 0;
}
