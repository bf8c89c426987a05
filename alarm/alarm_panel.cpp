#include "alarm_panel.h"

#include <string>
#include <string_view>

namespace ats {

namespace {

BOOL AsBool(bool value) { return value ? 1 : 0; }

}  // namespace

AlarmPanel::AlarmPanel(AlarmWindow& window) : m_window(window) {}

void AlarmPanel::InitDialog() {
    m_nBell = 0;
    m_nChime = 0;
    m_nState = STATE_IDLE;
    m_bFullAuto = 0;
    m_bEndless = 0;
    m_bIgnoreSignal = 0;
    m_bNoOverlap = 0;
    m_window.SeedRandom();
}

void AlarmPanel::ExitCleanup() {
    // A player keeps sounding after we are gone unless told now, whatever the options say.
    m_window.QuitBellPlayer();
    StopWave();
    CancelDeadline();
    StopBrake();
}

void AlarmPanel::Recover() {
    // Silence first: it matters most and touches the least.
    m_window.QuitBellPlayer();
    StopWave();
    StopBrake();
    CancelDeadline();
    for (const int timerId : {TIMER_SIGNAL, TIMER_BLINK, TIMER_RESTART, TIMER_AUTO}) {
        m_window.KillTimer(timerId);
    }
    m_nBell = 0;
    m_nChime = 0;
    m_nState = STATE_IDLE;
    m_nBlink = 0;
    ShowAspect(ASPECT_STOP);
    StepPanel();
    m_window.SetStartCaption(CAPTION_START);
}

void AlarmPanel::UpdateOptions() {
    const OptionStates options = m_window.ReadOptions();
    m_bEndless = AsBool(options.endless);
    m_bFullAuto = AsBool(options.fullAuto);
    m_bIgnoreSignal = AsBool(options.ignoreSignal);
    m_bNoOverlap = AsBool(options.noOverlap);
}

bool AlarmPanel::OnControlClicked(int controlId) {
    switch (controlId) {
        case IDC_CONFIRM: OnConfirmButton(); return true;
        case IDC_START: OnStartStop(); return true;
        case IDC_BELL: OnBellButton(); return true;
        case IDC_CHIME: OnChimeButton(); return true;
        case IDC_SUSTAIN: OnSustainButton(); return true;
        case IDC_IGNORESIGNAL:
        case IDC_FULLAUTO:
        case IDC_ENDLESS:
        case IDC_NOOVERLAP: OnOptionClicked(); return true;
        default: return false;
    }
}

void AlarmPanel::OnOptionClicked() { UpdateOptions(); }

void AlarmPanel::SetConfirmDeadline(bool on) {
    m_confirmDeadline = on;
    if (!on) CancelDeadline();
}

// The deadline's timer is cancelled only where one was armed, so with the item off every
// operation makes exactly the calls it made before the deadline existed.
void AlarmPanel::CancelDeadline() {
    if (!m_deadlineArmed) return;
    m_window.KillTimer(TIMER_DEADLINE);
    m_deadlineArmed = false;  // only once it is gone: a failing call leaves it to Recover
}

bool AlarmPanel::RunsUnattended() const {
    return m_nState != STATE_IDLE && (m_bEndless != 0 || m_bFullAuto != 0);
}

void AlarmPanel::ArmWithShortInterval(int timerId) {
    m_nDelay = m_window.Rand() % SHORT_INTERVAL_SPAN_MS + SHORT_INTERVAL_MIN_MS;
    m_window.SetTimer(timerId, m_nDelay);
}

void AlarmPanel::ArmWithLongInterval(int timerId) {
    m_nDelay = m_window.Rand() % LONG_INTERVAL_SPAN_MS + LONG_INTERVAL_MIN_MS;
    m_window.SetTimer(timerId, m_nDelay);
}

// --- Pictures ---

void AlarmPanel::ShowAspect(int k) {
    int bitmapId = IDB_SIGNAL_PROCEED;
    switch (k) {
        case ASPECT_STOP: bitmapId = IDB_SIGNAL_STOP; break;
        case ASPECT_RESTRICT: bitmapId = IDB_SIGNAL_RESTRICT; break;
        case ASPECT_CAUTION: bitmapId = IDB_SIGNAL_CAUTION; break;
        case ASPECT_REDUCE: bitmapId = IDB_SIGNAL_REDUCE; break;
        default: m_nAspect = ASPECT_PROCEED; break;
    }
    m_window.ShowBitmap(IDC_SIGNAL, bitmapId);
    const int shown = bitmapId - IDB_SIGNAL_STOP;
    if (shown != m_shownAspect) {
        m_shownAspect = shown;
        m_window.AspectChanged(shown);
    }
}

void AlarmPanel::StepPanel() {
    int bitmapId = IDB_PANEL_NORMAL;
    switch (m_nBlink) {
        case 1:
            bitmapId = IDB_PANEL_ALARM;
            m_nBlink = 2;
            break;
        case 2:
            bitmapId = IDB_PANEL_DARK;
            m_nBlink = 1;
            break;
        default: break;
    }
    m_window.ShowBitmap(IDC_PANEL, bitmapId);
    // The alarm is on while the alarm lamp blinks, lit or dark; its blinks are not news.
    const bool alarm = bitmapId != IDB_PANEL_NORMAL;
    if (alarm != m_alarmShown) {
        m_alarmShown = alarm;
        m_window.AlarmChanged(alarm);
    }
}

// --- Sounds ---

void AlarmPanel::PlayWave(const char* fileName) {
    m_window.PlayWaveLoop(fileName);  // replaces whatever wave was playing
    m_bellWavePlaying = std::string_view(fileName) == BELL_WAVE;
    // The bell on the one wave channel silences a chime that was playing there.
    if (m_bellWavePlaying) m_nChime = 0;
}

void AlarmPanel::StopWave() {
    m_window.StopWave();
    m_bellWavePlaying = false;
}

void AlarmPanel::RingBell() {
    m_nBell = 1;
    if (m_bNoOverlap != 0) {
        PlayWave(BELL_WAVE);
        return;
    }
    StartBellPlayer();
}

void AlarmPanel::StartBellPlayer() {
    // One player at a time: an earlier one that was never told to quit (a second alarm
    // without a confirm) is silenced before the next starts.
    m_window.QuitBellPlayer();
    m_nBellArg = m_window.WindowHandle();
    m_window.StartBellPlayer("atsbell.exe atsopen " + std::to_string(m_nBellArg));
    m_window.Wait(BELL_PLAYER_START_WAIT_MS);
}

void AlarmPanel::RingChime() {
    // During the alarm with no-overlap the single wave channel belongs to the bell.
    if (m_bNoOverlap == 1 && m_nState == STATE_ALARM) return;
    m_nChime = 1;
    PlayWave(CHIME_WAVE);
}

void AlarmPanel::ApplyEmergencyBrake() {
    m_window.PlayBrakeSound(BRAKE_WAVE);
    m_brakeSounding = true;
    m_window.BrakeApplied();
}

void AlarmPanel::StopBrake() {
    if (!m_brakeSounding) return;
    m_window.StopBrakeSound();
    m_brakeSounding = false;
}

void AlarmPanel::StopBell() {
    // The bell is stopped where it was started, whatever the no-overlap box says now: the
    // port only reaches a player that is still running, and the program's own wave is ended
    // only when it is the bell, so a chime beside a player bell sounds on.
    m_window.QuitBellPlayer();
    if (m_bellWavePlaying) StopWave();
}

void AlarmPanel::OnBellButton() {
    if (m_nState > 0) return;
    UpdateOptions();
    if (m_nBell > 0) {
        StopBell();
        m_nBell = 0;
        return;
    }
    RingBell();
}

void AlarmPanel::OnChimeButton() {
    if (m_nState > 0) return;
    UpdateOptions();
    if (m_nChime > 0) {
        StopWave();
        m_nChime = 0;
        return;
    }
    // The chime takes the program's one wave channel: it replaces the bell only where the
    // program itself plays it; a player bell rings on.
    if (m_bellWavePlaying) m_nBell = 0;
    RingChime();
}

// --- The alarm cycle ---

void AlarmPanel::OnStartStop() {
    if (m_nState <= 0) {
        UpdateOptions();
        m_window.SetStartCaption(CAPTION_STOP);
        BeginRun();
    } else {
        Stop();
    }
}

void AlarmPanel::Stop() {
    m_window.KillTimer(TIMER_SIGNAL);
    ShowAspect(ASPECT_STOP);
    m_nBlink = 0;
    m_window.KillTimer(TIMER_BLINK);
    StepPanel();
    StopBell();
    m_nBell = 0;
    StopWave();
    m_nState = STATE_IDLE;
    m_nChime = 0;
    m_window.KillTimer(TIMER_RESTART);
    CancelDeadline();
    StopBrake();
    m_window.SetStartCaption(CAPTION_START);
}

void AlarmPanel::OnConfirmButton() { Confirm(); }

void AlarmPanel::OnSustainButton() { EndAlarm(); }

void AlarmPanel::BeginRun() {
    if (m_nBell > 0 || m_nChime > 0) return;  // a sound from the sound buttons is still on
    m_nState = STATE_APPROACH;
    if (m_bIgnoreSignal != 0) {
        RaiseAlarm();
        return;
    }
    const int k = m_window.Rand() % FIRST_ASPECT_CHOICES + 1;
    m_nAspect = k;
    ShowAspect(k);
    ArmWithShortInterval(TIMER_SIGNAL);
}

void AlarmPanel::StepSignal() {
    switch (m_nAspect) {
        case ASPECT_STOP: break;
        case ASPECT_RESTRICT:
            m_nAspect = ASPECT_STOP;
            ShowAspect(ASPECT_STOP);
            m_window.KillTimer(TIMER_SIGNAL);
            RaiseAlarm();
            break;
        case ASPECT_CAUTION:
            m_nAspect = ASPECT_RESTRICT;
            ShowAspect(ASPECT_RESTRICT);
            ArmWithShortInterval(TIMER_SIGNAL);
            break;
        case ASPECT_REDUCE:
            m_nAspect = ASPECT_CAUTION;
            ShowAspect(ASPECT_CAUTION);
            ArmWithShortInterval(TIMER_SIGNAL);
            break;
        default:
            m_nAspect = ASPECT_REDUCE;
            ShowAspect(ASPECT_REDUCE);
            ArmWithShortInterval(TIMER_SIGNAL);
            break;
    }
}

void AlarmPanel::RaiseAlarm() {
    m_nState = STATE_ALARM;
    m_nBlink = 1;
    StepPanel();
    if (m_bFullAuto == 1) ArmWithShortInterval(TIMER_AUTO);
    RingBell();
    RingChime();
    // Counted from when the bell and the chime sound, after the bell player's start.
    if (m_confirmDeadline) {
        m_deadlineArmed = true;  // first, so a failing SetTimer still leaves it to Recover
        m_window.SetTimer(TIMER_DEADLINE, CONFIRM_DEADLINE_MS);
    }
}

void AlarmPanel::Confirm() {
    if (m_nState != STATE_ALARM) return;
    m_nState = STATE_CONFIRMED;
    CancelDeadline();  // in time; after the brake applied there is none left
    // The bell is silenced where it was started: a player still running is told to quit,
    // and the program's own bell wave gives way to the chime.
    m_window.QuitBellPlayer();
    if (m_bNoOverlap != 0 || m_bellWavePlaying) {
        StopWave();
        RingChime();
    }
    m_nBell = 0;
    m_nBlink = 0;
    m_window.KillTimer(TIMER_BLINK);
    StepPanel();
}

void AlarmPanel::EndAlarm() {
    if (m_nState != STATE_CONFIRMED) return;
    StopWave();
    m_nState = STATE_IDLE;
    m_nChime = 0;
    if (m_bEndless == 1) {
        m_window.SetTimer(TIMER_RESTART,
                          m_bIgnoreSignal != 0 ? RESTART_GAP_IGNORE_SIGNAL_MS : RESTART_GAP_MS);
    } else {
        // The last cycle: a restart still pending from an endless gap (Start was pressed in
        // it) would otherwise begin a run under the caption 開始.
        m_window.KillTimer(TIMER_RESTART);
        m_window.SetStartCaption(CAPTION_START);
    }
}

void AlarmPanel::OnTimer(int timerId) {
    switch (timerId) {
        case TIMER_SIGNAL: StepSignal(); break;
        case TIMER_BLINK: StepPanel(); break;
        case TIMER_RESTART:
            m_window.KillTimer(TIMER_RESTART);
            BeginRun();
            break;
        case TIMER_AUTO:
            if (m_nState == STATE_ALARM) {
                ArmWithLongInterval(TIMER_AUTO);
                Confirm();
            } else if (m_nState == STATE_CONFIRMED) {
                m_window.KillTimer(TIMER_AUTO);
                EndAlarm();
            }
            break;
        case TIMER_DEADLINE:
            // Once per alarm; a tick in any other state (none should come) does nothing.
            m_deadlineArmed = true;
            CancelDeadline();
            if (m_nState == STATE_ALARM) ApplyEmergencyBrake();
            break;
        default: break;
    }
}

}  // namespace ats
