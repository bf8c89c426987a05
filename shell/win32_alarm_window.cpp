#include "win32_alarm_window.h"

#include <mmsystem.h>

#include <cstdlib>
#include <ctime>

#include "alarm_ids.h"
#include "dialog.h"
#include "text.h"
#include "window_number.h"

void Win32AlarmWindow::SetTimer(int timerId, int milliseconds) {
    ::SetTimer(m_dialog, static_cast<UINT_PTR>(timerId), static_cast<UINT>(milliseconds), nullptr);
}

void Win32AlarmWindow::KillTimer(int timerId) {
    ::KillTimer(m_dialog, static_cast<UINT_PTR>(timerId));
}

void Win32AlarmWindow::ShowBitmap(int controlId, int bitmapId) {
    // The previous bitmap goes first; each picture is loaded afresh from the resources.
    UniqueBitmap& shown = m_shownBitmaps[controlId];
    shown.Reset();
    shown.Reset(LoadBitmapW(AfxGetApp()->m_hInstance, MAKEINTRESOURCEW(bitmapId)));
    SendDlgItemMessageW(m_dialog, controlId, STM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(shown.Get()));
}

void Win32AlarmWindow::SetStartCaption(std::string_view utf8Caption) {
    SetDlgItemTextW(m_dialog, IDC_START, Utf8ToWide(utf8Caption).c_str());
}

void Win32AlarmWindow::PlayWaveLoop(std::string_view fileName) {
    // No default system sound in place of a missing file: that would loop a beep.
    PlaySoundW(Utf8ToWide(fileName).c_str(), nullptr,
               SND_FILENAME | SND_LOOP | SND_ASYNC | SND_NODEFAULT);
}

void Win32AlarmWindow::StopWave() { PlaySoundW(nullptr, nullptr, 0); }

std::int32_t Win32AlarmWindow::WindowHandle() { return WindowToNumber(m_dialog); }

void Win32AlarmWindow::SeedRandom() { std::srand(static_cast<unsigned>(std::time(nullptr))); }

int Win32AlarmWindow::Rand() { return std::rand(); }
