#include "win32_alarm_window.h"

#include <mmsystem.h>

#include <cstdlib>
#include <ctime>

#include "alarm_ids.h"
#include "dpi.h"
#include "text.h"
#include "window_number.h"

void Win32AlarmWindow::SetTimer(int timerId, int milliseconds) {
    ::SetTimer(m_dialog, static_cast<UINT_PTR>(timerId), static_cast<UINT>(milliseconds), nullptr);
}

void Win32AlarmWindow::KillTimer(int timerId) {
    ::KillTimer(m_dialog, static_cast<UINT_PTR>(timerId));
}

void Win32AlarmWindow::Attach(HWND dialog, const std::map<int, int>& templateBitmaps) {
    m_dialog = dialog;
    m_dpi = WindowDpi(dialog);
    m_shownIds = templateBitmaps;
    if (m_dpi == USER_DEFAULT_SCREEN_DPI) return;  // the template's bitmaps are the right ones
    for (const auto& [controlId, bitmapId] : templateBitmaps) ShowPicture(controlId, bitmapId);
}

void Win32AlarmWindow::OnDpiChanged(UINT dpi) {
    if (dpi == 0 || dpi == m_dpi) return;
    m_dpi = dpi;
    for (const auto& [controlId, bitmapId] : m_shownIds) ShowPicture(controlId, bitmapId);
}

void Win32AlarmWindow::ShowBitmap(int controlId, int bitmapId) {
    m_shownIds[controlId] = bitmapId;
    ShowPicture(controlId, bitmapId);
}

// Each picture is loaded afresh from the resources, at the window's scale. The control takes
// the size of the bitmap it is given.
void Win32AlarmWindow::ShowPicture(int controlId, int bitmapId) {
    UniqueBitmap next = m_pictures.Load(bitmapId, m_dpi);
    UniqueBitmap& owned = m_shownBitmaps[controlId];
    const auto previous = reinterpret_cast<HBITMAP>(SendDlgItemMessageW(
        m_dialog, controlId, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(next.Get())));
    // The control hands back what it showed: ours, which goes below, or one it loaded from the
    // dialog template or copied from ours, which is ours to release now.
    if (previous != nullptr && previous != owned.Get() && previous != next.Get())
        DeleteObject(previous);
    owned = std::move(next);
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
