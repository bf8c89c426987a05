#include "win32_alarm_window.h"

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
    // A new sound replaces the one before; the bare name is found in the current folder,
    // which is the program's own.
    m_wave.reset();
    m_wave = std::make_unique<LoopingWave>(Utf8ToWide(fileName));
}

void Win32AlarmWindow::StopWave() { m_wave.reset(); }

std::int32_t Win32AlarmWindow::WindowHandle() { return WindowToNumber(m_dialog); }

void Win32AlarmWindow::SeedRandom() { std::srand(static_cast<unsigned>(std::time(nullptr))); }

int Win32AlarmWindow::Rand() { return std::rand(); }
