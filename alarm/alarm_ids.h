// Ids shared by the alarm core, the resource script and the tests.
// Only #define lines outside the RC_INVOKED block: the resource compiler reads this file too.
#ifndef ORVANE_ALARM_IDS_H
#define ORVANE_ALARM_IDS_H

// Controls of the main dialog (and the about box's version line).
#define IDC_CONFIRM 1000
#define IDC_START 1001
#define IDC_ENDLESS 1002
#define IDC_SUSTAIN 1003
#define IDC_BELL 1004
#define IDC_CHIME 1005
#define IDC_SIGNAL 1006
#define IDC_PANEL 1007
#define IDC_FULLAUTO 1008
#define IDC_NOOVERLAP 1009
#define IDC_IGNORESIGNAL 1010
#define IDC_VERSION 1011

// Bitmaps of the lamp panel and of the signal head (signal: IDB_SIGNAL_STOP + aspect index).
#define IDB_PANEL_NORMAL 129
#define IDB_PANEL_DARK 130
#define IDB_PANEL_ALARM 131
#define IDB_SIGNAL_STOP 132
#define IDB_SIGNAL_RESTRICT 133
#define IDB_SIGNAL_CAUTION 134
#define IDB_SIGNAL_REDUCE 135
#define IDB_SIGNAL_PROCEED 136

// The Windows program's dialog templates, and its items in the window menu: below 0xF000,
// where the system's own commands begin, and multiples of 16, as the system keeps the low
// four bits of WM_SYSCOMMAND for itself.
#define IDD_ABOUTBOX 100
#define IDD_MAIN_DIALOG 102
#define IDM_ABOUTBOX 0x0010
#define IDM_DEADLINE 0x0020

#ifndef RC_INVOKED
namespace ats {

// The 終了 button: the dialog's cancel command (IDCANCEL), which also Escape and the close box
// send.
inline constexpr int CONTROL_EXIT = 2;
// The about box's OK button: the dialog's OK command (IDOK).
inline constexpr int CONTROL_OK = 1;

// Timers, all on the main dialog window.
inline constexpr int TIMER_SIGNAL = 1;
inline constexpr int TIMER_BLINK = 2;
inline constexpr int TIMER_RESTART = 3;
inline constexpr int TIMER_AUTO = 4;
// The confirm deadline: armed with each alarm while the deadline is on.
inline constexpr int TIMER_DEADLINE = 5;

// While it sounds, the bell player sends the window a TIMER_BLINK tick this often, so the
// alarm lamp blinks.
inline constexpr int BELL_BLINK_INTERVAL_MS = 500;

// Run states held in m_nState.
inline constexpr int STATE_IDLE = 0;
inline constexpr int STATE_APPROACH = 1;
inline constexpr int STATE_ALARM = 2;
inline constexpr int STATE_CONFIRMED = 3;

// Signal aspects held in m_nAspect.
inline constexpr int ASPECT_STOP = 0;
inline constexpr int ASPECT_RESTRICT = 1;
inline constexpr int ASPECT_CAUTION = 2;
inline constexpr int ASPECT_REDUCE = 3;
inline constexpr int ASPECT_PROCEED = 4;

}  // namespace ats
#endif

#endif
