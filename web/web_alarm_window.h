// The alarm core's window in a web page: every operation handed to the page's JavaScript.
#ifndef ORVANE_WEB_WEB_ALARM_WINDOW_H
#define ORVANE_WEB_WEB_ALARM_WINDOW_H

#include "alarm_window.h"

namespace web {

// The option bits orvane_page_read_options answers with.
inline constexpr int OPTION_ENDLESS = 1;
inline constexpr int OPTION_FULL_AUTO = 2;
inline constexpr int OPTION_IGNORE_SIGNAL = 4;
inline constexpr int OPTION_NO_OVERLAP = 8;

// A page has one window and no handle for it: the bell's command line carries this number.
inline constexpr std::int32_t PAGE_WINDOW_HANDLE = 1;

class WebAlarmWindow : public ats::AlarmWindow {
public:
    void SetTimer(int timerId, int milliseconds) override;
    void KillTimer(int timerId) override;
    void ShowBitmap(int controlId, int bitmapId) override;
    void SetStartCaption(std::string_view utf8Caption) override;
    void AlarmChanged(bool on) override;
    void AspectChanged(int aspect) override;
    void BrakeApplied() override;
    ats::OptionStates ReadOptions() override;
    void PlayWaveLoop(std::string_view fileName) override;
    void StopWave() override;
    void PlayBrakeSound(std::string_view fileName) override;
    void StopBrakeSound() override;
    void StartBellPlayer(std::string_view commandLine) override;
    void QuitBellPlayer() override;
    void Wait(int milliseconds) override;
    std::int32_t WindowHandle() override;
    void SeedRandom() override;
    int Rand() override;
};

}  // namespace web

#endif
