// The alarm core's window, made of Win32 calls on the main dialog.
#ifndef ORVANE_SHELL_WIN32_ALARM_WINDOW_H
#define ORVANE_SHELL_WIN32_ALARM_WINDOW_H

#include <windows.h>
// clang-format off
#include <oleacc.h>
// clang-format on

#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "alarm_ids.h"
#include "alarm_window.h"
#include "bell_player_process.h"
#include "handles.h"
#include "looping_wave.h"
#include "scaled_pictures.h"
#include "scopes.h"

class Win32AlarmWindow : public ats::AlarmWindow {
public:
    using OptionReader = std::function<ats::OptionStates()>;
    Win32AlarmWindow(HINSTANCE module, OptionReader readOptions)
        : m_readOptions(std::move(readOptions)), m_pictures(module) {}
    ~Win32AlarmWindow() override { Detach(); }

    // The dialog window, once it exists, with the bitmap its template gives each picture
    // control. Away from 96 DPI those are shown again at the window's scale.
    void Attach(HWND dialog, const std::map<int, int>& templateBitmaps);
    // The dialog window is being destroyed: the pictures' names are taken off it.
    void Detach();
    // The window has moved to another display scale: both pictures are drawn again at it,
    // showing what they showed.
    void OnDpiChanged(UINT dpi);

    void SetTimer(int timerId, int milliseconds) override;
    void KillTimer(int timerId) override;
    void ShowBitmap(int controlId, int bitmapId) override;
    void SetStartCaption(std::string_view utf8Caption) override;
    // A screen reader hears of the alarm and the signal through a name change of the picture
    // that shows it; each picture is named for what it shows as it is drawn.
    void AlarmChanged(bool /*on*/) override { AnnounceName(IDC_PANEL); }
    void AspectChanged(int /*aspect*/) override { AnnounceName(IDC_SIGNAL); }
    // The alarm lamp's picture is named for the brake until it is drawn next.
    void BrakeApplied() override;
    ats::OptionStates ReadOptions() override { return m_readOptions(); }
    void PlayWaveLoop(std::string_view fileName) override;
    void StopWave() override;
    void StartBellPlayer(std::string_view commandLine) override { m_bellPlayer.Start(commandLine); }
    void QuitBellPlayer() override { m_bellPlayer.Quit(); }
    // The bell player, started to play the brake's wave (atsbrake.wav beside it) once.
    void PlayBrakeSound(std::string_view fileName) override;
    void StopBrakeSound() override { m_brakePlayer.Quit(); }
    void Wait(int milliseconds) override { Sleep(static_cast<DWORD>(milliseconds)); }
    std::int32_t WindowHandle() override;
    void SeedRandom() override;
    int Rand() override;

private:
    void ShowPicture(int controlId, int bitmapId);
    // Bitmap statics take their window text for a resource name, so a picture's accessible
    // name is set beside it, through the accessibility runtime (oleacc).
    void NamePicture(int controlId, int bitmapId);
    void NameControl(int controlId, std::string_view utf8Name);
    void AnnounceName(int controlId);

    HWND m_dialog = nullptr;
    UINT m_dpi = ats::BASE_DPI;
    OptionReader m_readOptions;
    ScaledPictures m_pictures;
    std::map<int, int> m_shownIds;               // by picture control: the bitmap id shown
    std::map<int, UniqueBitmap> m_shownBitmaps;  // by picture control: the bitmap we own
    BellPlayerProcess m_bellPlayer;
    BellPlayerProcess m_brakePlayer;
    std::unique_ptr<LoopingWave> m_wave;     // the program's own sound, while it plays
    std::optional<ScopedCom> m_com;          // started on attaching; outlives the names' service
    ScopedComPtr<IAccPropServices> m_names;  // none where the runtime offers no such service
};

#endif
