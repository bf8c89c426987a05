// Shared steps of the alarm-cycle tests.
#ifndef ORVANE_TESTS_CYCLE_HELPERS_H
#define ORVANE_TESTS_CYCLE_HELPERS_H

#include <gtest/gtest.h>

#include "fake_alarm_window.h"

namespace ats::testing {

// rand() draws that give a wanted value (within its range) from the core's formulas.
inline int DrawForFirstAspect(int k) { return k - 1; }
inline int DrawForShortInterval(int ms) { return ms - SHORT_INTERVAL_MIN_MS; }
inline int DrawForLongInterval(int ms) { return ms - LONG_INTERVAL_MIN_MS; }

inline constexpr int LONGEST_SHORT_INTERVAL_MS = SHORT_INTERVAL_MIN_MS + SHORT_INTERVAL_SPAN_MS - 1;
inline constexpr std::int64_t LONGEST_APPROACH_MS = 4 * LONGEST_SHORT_INTERVAL_MS;

// Clicks Start with the run beginning at aspect k and every signal interval 1000 ms.
// Scripts exactly the draws the approach takes, so later scripted draws stay in line.
inline void StartAt(AlarmRig& rig, int k) {
    rig.window.ScriptDraws({DrawForFirstAspect(k)});
    for (int interval = 0; interval < std::min(k, int{ASPECT_PROCEED}); ++interval) {
        rig.window.ScriptDraws({DrawForShortInterval(1000)});
    }
    rig.panel.OnStartStop();
}

inline bool RunUntilState(AlarmRig& rig, int state, std::int64_t limitMs = LONGEST_APPROACH_MS) {
    return rig.AdvanceUntil([&] { return rig.panel.State() == state; }, limitMs);
}

// Starts a run and lets the signal step down until the alarm goes off.
inline void StartToAlarm(AlarmRig& rig) {
    StartAt(rig, ASPECT_CAUTION);
    ASSERT_TRUE(RunUntilState(rig, STATE_ALARM));
}

// With endless on, runs one whole cycle by hand: the next run waits in the restart gap.
inline void RunToTheEndlessGap(AlarmRig& rig) {
    rig.SetOption(IDC_ENDLESS, true);
    StartToAlarm(rig);
    rig.panel.OnConfirmButton();
    rig.panel.OnSustainButton();
}

}  // namespace ats::testing

#endif
