// A fake window for the alarm core: timers on a virtual clock, scripted random draws, and a
// record of everything shown and sounded.
#ifndef ORVANE_TESTS_FAKE_ALARM_WINDOW_H
#define ORVANE_TESTS_FAKE_ALARM_WINDOW_H

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "alarm_panel.h"
#include "alarm_window.h"
#include "picture_table.h"

namespace ats::testing {

inline constexpr std::int32_t FAKE_WINDOW_HANDLE = -123456;
inline constexpr const char* BELL_PLAYER_COMMAND = "atsbell.exe atsopen -123456";

class FakeAlarmWindow : public AlarmWindow {
public:
    struct Timer {
        int periodMs = 0;
        std::int64_t dueMs = 0;
        std::uint64_t armedOrder = 0;
    };
    struct BellPlayer {
        std::string commandLine;
        bool running = true;
    };

    // --- the port ---
    void SetTimer(int timerId, int milliseconds) override;
    void KillTimer(int timerId) override;
    void ShowBitmap(int controlId, int bitmapId) override;
    void SetStartCaption(std::string_view utf8Caption) override;
    void AlarmChanged(bool on) override { news.push_back(on ? "alarm on" : "alarm off"); }
    void AspectChanged(int aspect) override { news.push_back("aspect " + std::to_string(aspect)); }
    void BrakeApplied() override { news.push_back("brake"); }
    OptionStates ReadOptions() override;
    void PlayWaveLoop(std::string_view fileName) override;
    void StopWave() override;
    void PlayBrakeSound(std::string_view fileName) override;
    void StopBrakeSound() override;
    void StartBellPlayer(std::string_view commandLine) override;
    void QuitBellPlayer() override;
    void Wait(int milliseconds) override;
    std::int32_t WindowHandle() override { return FAKE_WINDOW_HANDLE; }
    void SeedRandom() override;
    int Rand() override;

    // --- test controls ---
    // Scripts the next draws of Rand(); once the script is used up, draws come from a
    // seeded generator.
    void ScriptDraws(std::initializer_list<int> draws) { m_draws.insert(m_draws.end(), draws); }
    void SeedFallbackDraws(unsigned seed) { m_fallback.seed(seed); }
    std::size_t ScriptedDrawsLeft() const { return m_draws.size(); }
    // The earliest armed timer due no later than untilMs, removed from the clock's queue and
    // re-armed for its next period; the clock moves to its due time.
    std::optional<int> NextTickUntil(std::int64_t untilMs);
    void MoveClockTo(std::int64_t ms) { m_nowMs = std::max(m_nowMs, ms); }

    // --- what a user would see and hear ---
    std::int64_t NowMs() const { return m_nowMs; }
    bool IsArmed(int timerId) const { return m_timers.count(timerId) > 0; }
    std::optional<int> PeriodOf(int timerId) const;
    std::optional<int> Shown(int controlId) const;
    std::optional<std::string> PlayingWave() const { return m_wave; }
    int RunningPlayers() const;
    bool BellSounding() const { return RunningPlayers() > 0 || m_wave == BELL_WAVE; }
    bool ChimeSounding() const { return m_wave == CHIME_WAVE; }
    // The brake's sound plays once, for as long as its wave lasts; the fake says it sounds
    // until it is stopped or played again.
    bool BrakeSounding() const { return m_brake; }
    int brakeStarts = 0;
    bool Silent() const { return !BellSounding() && !ChimeSounding() && !m_brake; }

    OptionStates checkboxes;        // what the four checkboxes show
    bool failPlayerStarts = false;  // as with a missing atsbell.exe: starts leave no player
    // The port call (counted from 1 over the window's life) that throws, as an allocation
    // failing inside the window layer would; 0 for none.
    std::uint64_t failAtPortCall = 0;
    std::uint64_t PortCalls() const { return m_portCalls; }
    std::string caption = CAPTION_START;
    std::vector<BellPlayer> players;  // every player ever started, oldest first
    std::vector<std::string> calls;   // every port call, in order, for ordering tests
    std::vector<std::string> news;    // what the window was told for its screen reader
    int seedCount = 0;
    int waitedMs = 0;

private:
    void Record(std::string call);

    std::uint64_t m_portCalls = 0;
    std::int64_t m_nowMs = 0;
    std::uint64_t m_armCount = 0;
    std::map<int, Timer> m_timers;
    std::map<int, int> m_shown;
    std::optional<std::string> m_wave;
    bool m_brake = false;
    std::deque<int> m_draws;
    std::mt19937 m_fallback{1};
};

// The core on the fake window, with the virtual clock's driver.
struct AlarmRig {
    FakeAlarmWindow window;
    AlarmPanel panel{window};

    AlarmRig() {
        // The dialog template shows the first pictures before the record initialises.
        for (const ShownPicture& first : FIRST_PICTURES)
            window.ShowBitmap(first.controlId, first.bitmapId);
        panel.InitDialog();
        window.calls.clear();
    }
    // Lets virtual time pass, delivering every due timer tick in order.
    void Advance(std::int64_t ms, const std::function<void()>& afterEachTick = {});
    // Lets virtual time pass tick by tick until the condition holds; false if it never does
    // within limitMs.
    template <typename Condition>
    bool AdvanceUntil(Condition condition, std::int64_t limitMs) {
        const std::int64_t until = window.NowMs() + limitMs;
        while (!condition()) {
            const auto timerId = window.NextTickUntil(until);
            if (!timerId) return false;
            panel.OnTimer(*timerId);
        }
        return true;
    }
    // Toggles a checkbox the way a click does and tells the core.
    void ClickOption(int controlId);
    void SetOption(int controlId, bool checked);
};

}  // namespace ats::testing

#endif
