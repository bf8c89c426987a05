// The alarm panel: the whole state of the ATS alarm simulation and every operation on it.
// It reaches its window only through the AlarmWindow port, so it runs the same in the Windows
// dialog, the Linux window, the browser page and the unit tests' fake window.
#ifndef ORVANE_ALARM_PANEL_H
#define ORVANE_ALARM_PANEL_H

#include <cstdint>

#include "alarm_ids.h"
#include "alarm_text.h"
#include "alarm_window.h"

namespace ats {

using BOOL = int;  // the option flags hold exactly 0 or 1

inline constexpr const char* BELL_WAVE = TXT_BELL_WAVE;
inline constexpr const char* CHIME_WAVE = TXT_CHIME_WAVE;
inline constexpr const char* BRAKE_WAVE = TXT_BRAKE_WAVE;
inline constexpr const char* CAPTION_START = TXT_START;
inline constexpr const char* CAPTION_STOP = TXT_STOP;
inline constexpr int BELL_PLAYER_START_WAIT_MS = 100;
inline constexpr int RESTART_GAP_MS = 3000;
inline constexpr int RESTART_GAP_IGNORE_SIGNAL_MS = 1;
// The random intervals: short rand() % 4000 + 1000 ms (the signal's steps, the first automatic
// confirm), long rand() % 10000 + 7000 ms (the automatic end of the alarm).
inline constexpr int SHORT_INTERVAL_MIN_MS = 1000;
inline constexpr int SHORT_INTERVAL_SPAN_MS = 4000;
inline constexpr int LONG_INTERVAL_MIN_MS = 7000;
inline constexpr int LONG_INTERVAL_SPAN_MS = 10000;
// With the confirm deadline on, an alarm not confirmed this long after it went off applies the
// emergency brake, as on a real ATS-S cab.
inline constexpr int CONFIRM_DEADLINE_MS = 5000;
// A run begins at one of the aspects above stop: rand() % 5 + 1.
inline constexpr int FIRST_ASPECT_CHOICES = 5;

class AlarmPanel {
public:
    explicit AlarmPanel(AlarmWindow& window);
    AlarmPanel(const AlarmPanel&) = delete;
    AlarmPanel& operator=(const AlarmPanel&) = delete;

    // Record initialisation when the dialog opens: flags, state and options cleared, random
    // source seeded once.
    void InitDialog();
    // Clean-up when the program exits: no bell player and no wave keeps sounding.
    void ExitCleanup();
    // After an operation failed part-way (the window layer caught an exception): every timer
    // cancelled, nothing sounding, the panel idle with the stop signal and the normal lamps.
    void Recover();

    // A click of a button or checkbox of the main window, by control id: routed to the
    // operation below that the control stands for. False for a control the panel does not
    // handle (終了, which each window closes in its own way after ExitCleanup, or any other id).
    bool OnControlClicked(int controlId);

    // Click of any of the four option checkboxes.
    void OnOptionClicked();
    // The confirm deadline's menu item, ticked or unticked (off when the window opens). Each
    // alarm raised while it is on must be confirmed within CONFIRM_DEADLINE_MS, or the
    // emergency brake applies; unticking it cancels a deadline that runs.
    void SetConfirmDeadline(bool on);
    bool ConfirmDeadline() const { return m_confirmDeadline; }
    // Clicks of the buttons.
    void OnStartStop();
    void OnConfirmButton();
    void OnSustainButton();
    void OnBellButton();
    void OnChimeButton();
    // A WM_TIMER tick of the dialog window.
    void OnTimer(int timerId);

    // Pictures.
    void ShowAspect(int k);
    void StepPanel();

    // Sounds.
    void RingBell();
    void RingChime();
    void StopBell();

    // The alarm cycle.
    void BeginRun();
    void RaiseAlarm();
    void Confirm();
    void EndAlarm();

    // The record, read-only: only the operations above write it.
    std::int32_t BellArg() const { return m_nBellArg; }
    std::int32_t Blink() const { return m_nBlink; }
    std::int32_t Delay() const { return m_nDelay; }
    std::int32_t Aspect() const { return m_nAspect; }
    std::int32_t State() const { return m_nState; }
    std::int32_t Chime() const { return m_nChime; }
    std::int32_t Bell() const { return m_nBell; }
    BOOL Endless() const { return m_bEndless; }
    BOOL FullAuto() const { return m_bFullAuto; }
    BOOL IgnoreSignal() const { return m_bIgnoreSignal; }
    BOOL NoOverlap() const { return m_bNoOverlap; }

    // Whether the run goes on by itself, with nobody at the buttons: a run under way (not
    // idle) with Orvaneモード or フルオート on, as the boxes were when last read.
    bool RunsUnattended() const;

private:
    void UpdateOptions();
    void StepSignal();
    void Stop();
    void ArmWithShortInterval(int timerId);
    void ArmWithLongInterval(int timerId);
    void StartBellPlayer();
    void PlayWave(const char* fileName);
    void StopWave();
    void CancelDeadline();
    void ApplyEmergencyBrake();
    void StopBrake();

    // The record, in the order the dialog keeps it.
    std::int32_t m_nBellArg = 0;
    std::int32_t m_nBlink = 0;
    std::int32_t m_nDelay = 0;
    std::int32_t m_nAspect = 0;
    std::int32_t m_nState = STATE_IDLE;
    std::int32_t m_nChime = 0;
    std::int32_t m_nBell = 0;
    BOOL m_bEndless = 0;
    BOOL m_bFullAuto = 0;
    BOOL m_bIgnoreSignal = 0;
    BOOL m_bNoOverlap = 0;

    AlarmWindow& m_window;
    // Whether the program's own wave is the bell, so the bell is stopped where it was started
    // even when the no-overlap box has changed since.
    bool m_bellWavePlaying = false;
    // What the two pictures show, so the window is told of a change, not of every redraw or
    // blink: the window opens on the stop signal with the alarm lamp out.
    int m_shownAspect = ASPECT_STOP;
    bool m_alarmShown = false;
    // The confirm deadline's menu item, and whether the brake's sound may still play.
    bool m_confirmDeadline = false;
    bool m_deadlineArmed = false;
    bool m_brakeSounding = false;
};

}  // namespace ats

#endif
