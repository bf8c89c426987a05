#include "win32_alarm_window.h"

#include <cstdlib>
#include <ctime>
#include <string>

#include "alarm_ids.h"
#include "alarm_text.h"
#include "dpi.h"
#include "picture_table.h"
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
    // The dialog's thread: a single-threaded apartment, as a window's thread should be.
    if (!m_com) m_com.emplace(COINIT_APARTMENTTHREADED);
    if (!m_names)
        CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                         m_names.OutVoid());
    for (const auto& [controlId, bitmapId] : templateBitmaps) {
        NamePicture(controlId, bitmapId);
        // Shown as they are, the template's bitmaps are the right ones.
        if (!ats::PlanPicture(bitmapId, static_cast<int>(m_dpi)).asIs)
            ShowPicture(controlId, bitmapId);
    }
}

void Win32AlarmWindow::Detach() {
    if (m_names && m_dialog != nullptr) {
        for (const auto& [controlId, bitmapId] : m_shownIds)
            m_names->ClearHwndProps(GetDlgItem(m_dialog, controlId), OBJID_CLIENT, CHILDID_SELF,
                                    &PROPID_ACC_NAME, 1);
    }
    m_dialog = nullptr;
}

void Win32AlarmWindow::OnDpiChanged(UINT dpi) {
    if (dpi == 0 || dpi == m_dpi) return;
    m_dpi = dpi;
    for (const auto& [controlId, bitmapId] : m_shownIds) ShowPicture(controlId, bitmapId);
}

void Win32AlarmWindow::ShowBitmap(int controlId, int bitmapId) {
    m_shownIds[controlId] = bitmapId;
    ShowPicture(controlId, bitmapId);
    NamePicture(controlId, bitmapId);
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

void Win32AlarmWindow::NamePicture(int controlId, int bitmapId) {
    const ats::PictureInfo* picture = ats::FindPicture(bitmapId);
    if (picture != nullptr) NameControl(controlId, picture->accessibleName);
}

void Win32AlarmWindow::NameControl(int controlId, std::string_view utf8Name) {
    if (!m_names) return;
    // A runtime that cannot keep the name leaves the control as it was named before.
    m_names->SetHwndPropStr(GetDlgItem(m_dialog, controlId), OBJID_CLIENT, CHILDID_SELF,
                            PROPID_ACC_NAME, Utf8ToWide(utf8Name).c_str());
}

void Win32AlarmWindow::BrakeApplied() {
    NameControl(IDC_PANEL, TXT_EMERGENCY_BRAKE);
    AnnounceName(IDC_PANEL);
}

void Win32AlarmWindow::AnnounceName(int controlId) {
    const HWND picture = GetDlgItem(m_dialog, controlId);
    if (picture != nullptr)
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, picture, OBJID_CLIENT, CHILDID_SELF);
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

// The chime has the program's one wave channel and the bell its player, so the brake sounds
// from a player of its own, which knows its wave by name as the bell player knows the bell's.
void Win32AlarmWindow::PlayBrakeSound(std::string_view /*fileName*/) {
    m_brakePlayer.Start("atsbell.exe atsbrake " + std::to_string(WindowHandle()));
}

std::int32_t Win32AlarmWindow::WindowHandle() { return WindowToNumber(m_dialog); }

void Win32AlarmWindow::SeedRandom() { std::srand(static_cast<unsigned>(std::time(nullptr))); }

int Win32AlarmWindow::Rand() { return std::rand(); }
