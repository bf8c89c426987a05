// The confirm deadline of a real ATS-S cab, on the virtual clock: each alarm must be confirmed
// within 5 s while the menu item is on, or the emergency brake applies beside the bell.
#include <gtest/gtest.h>

#include "cycle_helpers.h"

namespace ats::testing {
namespace {

struct DeadlineCase {
    const char* what;
    std::function<void(AlarmRig&)> setUp;  // before Start (options, the item)
    std::function<void(AlarmRig&)> inAlarm;  // from the moment the alarm goes off
    int brakes;                             // emergency brakes applied
    bool brakeSounding;                      // at the end
    int stateAfter;
};

void TickItem(AlarmRig& rig) { rig.panel.SetConfirmDeadline(true); }

const DeadlineCase DEADLINE_CASES[] = {
    {"off: the alarm waits as long as it takes", [](AlarmRig&) {},
     [](AlarmRig& rig) { rig.Advance(60000); }, 0, false, STATE_ALARM},
    {"confirmed in time", TickItem,
     [](AlarmRig& rig) {
         rig.Advance(CONFIRM_DEADLINE_MS - 1);
         rig.panel.OnConfirmButton();
         rig.Advance(60000);
     },
     0, false, STATE_CONFIRMED},
    {"late: the brake applies at 5 s with the bell ringing, a late confirm still confirms",
     TickItem,
     [](AlarmRig& rig) {
         rig.Advance(CONFIRM_DEADLINE_MS - 1);
         EXPECT_EQ(rig.window.brakeStarts, 0);
         rig.Advance(1);
         EXPECT_TRUE(rig.window.BrakeSounding());
         EXPECT_EQ(rig.window.RunningPlayers(), 1);  // the brake cuts neither the bell...
         EXPECT_TRUE(rig.window.ChimeSounding());    // ...nor the chime
         rig.Advance(60000);                         // once only
         rig.panel.OnConfirmButton();
         EXPECT_EQ(rig.window.RunningPlayers(), 0);
         rig.panel.OnSustainButton();
     },
     1, true, STATE_IDLE},
    {"full auto confirms within 4,999 ms, before the deadline",
     [](AlarmRig& rig) {
         TickItem(rig);
         rig.SetOption(IDC_FULLAUTO, true);
         rig.window.ScriptDraws({DrawForShortInterval(LONGEST_SHORT_INTERVAL_MS)});
     },
     [](AlarmRig& rig) { rig.Advance(CONFIRM_DEADLINE_MS + 1000); }, 0, false, STATE_CONFIRMED},
    {"stop cancels the deadline and silences the brake", TickItem,
     [](AlarmRig& rig) {
         rig.Advance(CONFIRM_DEADLINE_MS);
         rig.panel.OnStartStop();
         EXPECT_TRUE(rig.window.Silent());
     },
     1, false, STATE_IDLE},
    {"stop before the deadline: no brake", TickItem,
     [](AlarmRig& rig) {
         rig.Advance(1000);
         rig.panel.OnStartStop();
         rig.Advance(60000);
     },
     0, false, STATE_IDLE},
    {"unticking the item during the alarm cancels it", TickItem,
     [](AlarmRig& rig) {
         rig.Advance(4000);
         rig.panel.SetConfirmDeadline(false);
         rig.Advance(60000);
     },
     0, false, STATE_ALARM},
    {"endless: every alarm has its own 5 s",
     [](AlarmRig& rig) {
         TickItem(rig);
         rig.SetOption(IDC_ENDLESS, true);
         rig.SetOption(IDC_IGNORESIGNAL, true);  // the next alarm right after the restart gap
     },
     [](AlarmRig& rig) {
         rig.Advance(CONFIRM_DEADLINE_MS);  // the first alarm brakes
         rig.panel.OnConfirmButton();
         rig.panel.OnSustainButton();
         rig.Advance(RESTART_GAP_IGNORE_SIGNAL_MS);
         ASSERT_EQ(rig.panel.State(), STATE_ALARM);
         rig.Advance(CONFIRM_DEADLINE_MS);  // and so does the second
     },
     2, true, STATE_ALARM},
    {"exit cancels the deadline and silences the brake", TickItem,
     [](AlarmRig& rig) {
         rig.Advance(CONFIRM_DEADLINE_MS);
         rig.panel.ExitCleanup();
         EXPECT_FALSE(rig.window.IsArmed(TIMER_DEADLINE));
     },
     1, false, STATE_ALARM},
};

TEST(ConfirmDeadline, InTimeLateFullAutoStopEndlessUntickedAndExit) {
    for (const DeadlineCase& c : DEADLINE_CASES) {
        SCOPED_TRACE(c.what);
        AlarmRig rig;
        // A short approach (unused with ignore signal), then the case's own draws.
        rig.window.ScriptDraws({DrawForFirstAspect(ASPECT_RESTRICT), DrawForShortInterval(1000)});
        c.setUp(rig);
        rig.panel.OnStartStop();
        ASSERT_TRUE(RunUntilState(rig, STATE_ALARM));  // the deadline runs from here
        c.inAlarm(rig);
        EXPECT_EQ(rig.window.brakeStarts, c.brakes);
        EXPECT_EQ(rig.window.BrakeSounding(), c.brakeSounding);
        EXPECT_EQ(rig.panel.State(), c.stateAfter);
        EXPECT_EQ(std::count(rig.window.news.begin(), rig.window.news.end(), "brake"), c.brakes);
        if (rig.panel.State() != STATE_ALARM) {
            EXPECT_FALSE(rig.window.IsArmed(TIMER_DEADLINE));
        }
    }
}

}  // namespace
}  // namespace ats::testing
