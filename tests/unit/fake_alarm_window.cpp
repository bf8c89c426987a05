#include "fake_alarm_window.h"

#include <algorithm>
#include <stdexcept>

namespace ats::testing {

void FakeAlarmWindow::Record(std::string call) {
    calls.push_back(std::move(call));
    if (++m_portCalls == failAtPortCall) throw std::runtime_error("port call failed");
}

void FakeAlarmWindow::SetTimer(int timerId, int milliseconds) {
    Record("SetTimer " + std::to_string(timerId) + " " + std::to_string(milliseconds));
    m_timers[timerId] = Timer{milliseconds, m_nowMs + milliseconds, ++m_armCount};
}

void FakeAlarmWindow::KillTimer(int timerId) {
    Record("KillTimer " + std::to_string(timerId));
    m_timers.erase(timerId);
}

void FakeAlarmWindow::ShowBitmap(int controlId, int bitmapId) {
    Record("ShowBitmap " + std::to_string(controlId) + " " + std::to_string(bitmapId));
    m_shown[controlId] = bitmapId;
}

void FakeAlarmWindow::SetStartCaption(std::string_view utf8Caption) {
    Record("SetStartCaption " + std::string(utf8Caption));
    caption = utf8Caption;
}

OptionStates FakeAlarmWindow::ReadOptions() {
    Record("ReadOptions");
    return checkboxes;
}

void FakeAlarmWindow::PlayWaveLoop(std::string_view fileName) {
    Record("PlayWaveLoop " + std::string(fileName));
    m_wave = std::string(fileName);
}

void FakeAlarmWindow::StopWave() {
    Record("StopWave");
    m_wave.reset();
}

void FakeAlarmWindow::PlayBrakeSound(std::string_view fileName) {
    Record("PlayBrakeSound " + std::string(fileName));
    m_brake = true;
    ++brakeStarts;
}

void FakeAlarmWindow::StopBrakeSound() {
    Record("StopBrakeSound");
    m_brake = false;
}

void FakeAlarmWindow::StartBellPlayer(std::string_view commandLine) {
    Record("StartBellPlayer " + std::string(commandLine));
    // Every start is kept as it happened: only the core's own quits end a player, so a
    // second player sounding beside the first is seen.
    if (failPlayerStarts) return;
    players.push_back(BellPlayer{std::string(commandLine), true});
}

void FakeAlarmWindow::QuitBellPlayer() {
    Record("QuitBellPlayer");
    // As the real player process: the quit reaches the newest player, and only while it runs.
    if (!players.empty()) players.back().running = false;
}

void FakeAlarmWindow::Wait(int milliseconds) {
    Record("Wait " + std::to_string(milliseconds));
    waitedMs += milliseconds;
    m_nowMs += milliseconds;
}

void FakeAlarmWindow::SeedRandom() {
    Record("SeedRandom");
    ++seedCount;
}

int FakeAlarmWindow::Rand() {
    if (!m_draws.empty()) {
        const int draw = m_draws.front();
        m_draws.pop_front();
        return draw;
    }
    return static_cast<int>(m_fallback() & 0x7fff);  // the range of the C runtime's rand()
}

std::optional<int> FakeAlarmWindow::NextTickUntil(std::int64_t untilMs) {
    auto earliest = m_timers.end();
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (earliest == m_timers.end() || it->second.dueMs < earliest->second.dueMs ||
            (it->second.dueMs == earliest->second.dueMs &&
             it->second.armedOrder < earliest->second.armedOrder)) {
            earliest = it;
        }
    }
    if (earliest == m_timers.end() || earliest->second.dueMs > untilMs) return std::nullopt;
    // A timer that fell due while the thread was blocked ticks once, late, as WM_TIMER does.
    m_nowMs = std::max(m_nowMs, earliest->second.dueMs);
    earliest->second.dueMs = m_nowMs + earliest->second.periodMs;
    return earliest->first;
}

std::optional<int> FakeAlarmWindow::PeriodOf(int timerId) const {
    const auto it = m_timers.find(timerId);
    if (it == m_timers.end()) return std::nullopt;
    return it->second.periodMs;
}

std::optional<int> FakeAlarmWindow::Shown(int controlId) const {
    const auto it = m_shown.find(controlId);
    if (it == m_shown.end()) return std::nullopt;
    return it->second;
}

int FakeAlarmWindow::RunningPlayers() const {
    return static_cast<int>(
        std::count_if(players.begin(), players.end(), [](const auto& p) { return p.running; }));
}

void AlarmRig::Advance(std::int64_t ms, const std::function<void()>& afterEachTick) {
    const std::int64_t until = window.NowMs() + ms;
    while (const auto timerId = window.NextTickUntil(until)) {
        panel.OnTimer(*timerId);
        if (afterEachTick) afterEachTick();
    }
    window.MoveClockTo(until);
}

void AlarmRig::SetOption(int controlId, bool checked) {
    switch (controlId) {
        case IDC_ENDLESS: window.checkboxes.endless = checked; break;
        case IDC_FULLAUTO: window.checkboxes.fullAuto = checked; break;
        case IDC_IGNORESIGNAL: window.checkboxes.ignoreSignal = checked; break;
        case IDC_NOOVERLAP: window.checkboxes.noOverlap = checked; break;
        default: throw std::invalid_argument("not an option checkbox");
    }
    panel.OnOptionClicked();
}

void AlarmRig::ClickOption(int controlId) {
    const OptionStates& boxes = window.checkboxes;
    switch (controlId) {
        case IDC_ENDLESS: SetOption(controlId, !boxes.endless); break;
        case IDC_FULLAUTO: SetOption(controlId, !boxes.fullAuto); break;
        case IDC_IGNORESIGNAL: SetOption(controlId, !boxes.ignoreSignal); break;
        case IDC_NOOVERLAP: SetOption(controlId, !boxes.noOverlap); break;
        default: throw std::invalid_argument("not an option checkbox");
    }
}

}  // namespace ats::testing
