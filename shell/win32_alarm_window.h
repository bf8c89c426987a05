// The alarm core's window, made of Win32 calls on the main dialog.
#ifndef ORVANE_SHELL_WIN32_ALARM_WINDOW_H
#define ORVANE_SHELL_WIN32_ALARM_WINDOW_H

#include <windows.h>

#include <functional>
#include <map>
#include <memory>

#include "alarm_window.h"
#include "bell_player_process.h"
#include "handles.h"
#include "looping_wave.h"
#include "scaled_pictures.h"

class Win32AlarmWindow : public ats::AlarmWindow {
public:
    using OptionReader = std::function<ats::OptionStates()>;
    Win32AlarmWindow(HINSTANCE module, OptionReader readOptions)
        : m_readOptions(std::move(readOptions)), m_pictures(module) {}

    // The dialog window, once it exists, with the bitmap its template gives each picture
    // control. Away from 96 DPI those are shown again at the window's scale.
    void Attach(HWND dialog, const std::map<int, int>& templateBitmaps);
    // The window has moved to another display scale: both pictures are drawn again at it,
    // showing what they showed.
    void OnDpiChanged(UINT dpi);

    void SetTimer(int timerId, int milliseconds) override;
    void KillTimer(int timerId) override;
    void ShowBitmap(int controlId, int bitmapId) override;
    void SetStartCaption(std::string_view utf8Caption) override;
    // The Windows program tells a screen reader nothing of its own yet: the dialog's controls
    // are what MSAA reads.
    void AlarmChanged(bool /*on*/) override {}
    void AspectChanged(int /*aspect*/) override {}
    ats::OptionStates ReadOptions() override { return m_readOptions(); }
    void PlayWaveLoop(std::string_view fileName) override;
    void StopWave() override;
    void StartBellPlayer(std::string_view commandLine) override { m_bellPlayer.Start(commandLine); }
    void QuitBellPlayer() override { m_bellPlayer.Quit(); }
    void Wait(int milliseconds) override { Sleep(static_cast<DWORD>(milliseconds)); }
    std::int32_t WindowHandle() override;
    void SeedRandom() override;
    int Rand() override;

private:
    void ShowPicture(int controlId, int bitmapId);

    HWND m_dialog = nullptr;
    UINT m_dpi = USER_DEFAULT_SCREEN_DPI;
    OptionReader m_readOptions;
    ScaledPictures m_pictures;
    std::map<int, int> m_shownIds;               // by picture control: the bitmap id shown
    std::map<int, UniqueBitmap> m_shownBitmaps;  // by picture control: the bitmap we own
    BellPlayerProcess m_bellPlayer;
    std::unique_ptr<LoopingWave> m_wave;  // the program's own sound, while it plays
};

#endif
