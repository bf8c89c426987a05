// Stop from every phase, timers that outlive a run, and the other corners of the cycle.
#include <gtest/gtest.h>

#include "cycle_helpers.h"

namespace ats::testing {
namespace {

void ExpectStopped(const AlarmRig& rig) {
    EXPECT_EQ(rig.panel.State(), STATE_IDLE);
    EXPECT_TRUE(rig.window.Silent());
    EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), IDB_SIGNAL_STOP);
    EXPECT_EQ(rig.window.Shown(IDC_PANEL), IDB_PANEL_NORMAL);
    EXPECT_EQ(rig.window.caption, CAPTION_START);
    EXPECT_EQ(rig.panel.Bell() + rig.panel.Chime() + rig.panel.Blink(), 0);
    for (int timer : {TIMER_SIGNAL, TIMER_BLINK, TIMER_RESTART}) {
        EXPECT_FALSE(rig.window.IsArmed(timer));
    }
}

struct StopCase {
    int state;
    bool noOverlap;
};

class StopFromEveryPhase : public ::testing::TestWithParam<StopCase> {};

TEST_P(StopFromEveryPhase, LeavesNothingSoundingAndShowsStopAndTheNormalPanel) {
    AlarmRig rig;
    rig.SetOption(IDC_NOOVERLAP, GetParam().noOverlap);
    StartAt(rig, ASPECT_PROCEED);
    if (GetParam().state >= STATE_ALARM) {
        ASSERT_TRUE(RunUntilState(rig, STATE_ALARM));
    }
    if (GetParam().state == STATE_CONFIRMED) rig.panel.OnConfirmButton();
    ASSERT_EQ(rig.panel.State(), GetParam().state);
    rig.panel.OnStartStop();
    ExpectStopped(rig);
    rig.Advance(60000);  // and nothing wakes up afterwards
    ExpectStopped(rig);
}

INSTANTIATE_TEST_SUITE_P(Phases, StopFromEveryPhase,
                         ::testing::Values(StopCase{STATE_APPROACH, false}, StopCase{STATE_ALARM, false},
                                           StopCase{STATE_CONFIRMED, false}, StopCase{STATE_APPROACH, true},
                                           StopCase{STATE_ALARM, true}, StopCase{STATE_CONFIRMED, true}));

TEST(Stop, DuringTheEndlessGapIsAStartThatBeginsAtOnceAndCancelsNothing) {
    AlarmRig rig;
    RunToTheEndlessGap(rig);
    ASSERT_TRUE(rig.window.IsArmed(TIMER_RESTART));
    StartAt(rig, ASPECT_PROCEED);
    EXPECT_EQ(rig.panel.State(), STATE_APPROACH);
    EXPECT_TRUE(rig.window.IsArmed(TIMER_RESTART));
    rig.panel.OnStartStop();  // now a real Stop, which also cancels the pending restart
    ExpectStopped(rig);
}

TEST(Stop, SilencesAPlayerAfterNoOverlapWasTickedDuringTheAlarm) {
    AlarmRig rig;
    StartToAlarm(rig);
    rig.SetOption(IDC_NOOVERLAP, true);
    rig.panel.OnStartStop();
    ExpectStopped(rig);
}

TEST(Stop, DoesNotCancelTheAutoTimer) {
    AlarmRig rig;
    rig.SetOption(IDC_FULLAUTO, true);
    StartToAlarm(rig);
    rig.panel.OnStartStop();
    EXPECT_TRUE(rig.window.IsArmed(TIMER_AUTO));
}

TEST(ConfirmFix, SilencesAPlayerAfterNoOverlapWasTickedDuringTheAlarm) {
    AlarmRig rig;
    StartToAlarm(rig);
    rig.SetOption(IDC_NOOVERLAP, true);
    rig.panel.OnConfirmButton();
    EXPECT_EQ(rig.window.RunningPlayers(), 0);
    EXPECT_EQ(rig.window.PlayingWave(), CHIME_WAVE);
    EXPECT_EQ(rig.panel.State(), STATE_CONFIRMED);
}

TEST(StartWhileASoundIsOn, TheBellFlagAlsoKeepsTheRunFromBeginning) {
    AlarmRig rig;
    rig.panel.OnBellButton();
    rig.panel.OnStartStop();
    EXPECT_EQ(rig.window.caption, CAPTION_STOP);
    EXPECT_EQ(rig.panel.State(), STATE_IDLE);
    EXPECT_FALSE(rig.window.IsArmed(TIMER_SIGNAL));
    EXPECT_EQ(rig.window.RunningPlayers(), 1);  // the bell rings on, untouched
    rig.panel.OnBellButton();
    EXPECT_TRUE(rig.window.Silent());
}

TEST(StartWhileASoundIsOn, ChangesTheCaptionButNotTheState) {
    AlarmRig rig;
    rig.panel.OnChimeButton();
    rig.panel.OnStartStop();
    EXPECT_EQ(rig.window.caption, CAPTION_STOP);
    EXPECT_EQ(rig.panel.State(), STATE_IDLE);
    EXPECT_FALSE(rig.window.IsArmed(TIMER_SIGNAL));
    rig.panel.OnChimeButton();  // still idle, so the sound buttons still work
    rig.window.ScriptDraws({DrawForFirstAspect(2), 0});
    rig.panel.OnStartStop();  // the next click is again a Start
    EXPECT_EQ(rig.panel.State(), STATE_APPROACH);
}

TEST(BlinkTimer, ATickInIdleRedrawsTheNormalPanelOnly) {
    AlarmRig rig;
    rig.window.calls.clear();
    rig.panel.OnTimer(TIMER_BLINK);
    EXPECT_EQ(rig.window.calls, (std::vector<std::string>{"ShowBitmap 1007 129"}));
    EXPECT_EQ(rig.panel.State(), STATE_IDLE);
}

TEST(BlinkTimer, TicksFromOutsideBlinkTheAlarmLampUntilConfirm) {
    AlarmRig rig;
    StartToAlarm(rig);
    rig.panel.OnTimer(TIMER_BLINK);
    EXPECT_EQ(rig.window.Shown(IDC_PANEL), IDB_PANEL_DARK);
    rig.panel.OnTimer(TIMER_BLINK);
    EXPECT_EQ(rig.window.Shown(IDC_PANEL), IDB_PANEL_ALARM);
    rig.panel.OnConfirmButton();
    rig.panel.OnTimer(TIMER_BLINK);
    EXPECT_EQ(rig.window.Shown(IDC_PANEL), IDB_PANEL_NORMAL);
}

TEST(UnknownTimer, DoesNothing) {
    AlarmRig rig;
    StartToAlarm(rig);
    rig.window.calls.clear();
    rig.panel.OnTimer(99);
    EXPECT_TRUE(rig.window.calls.empty());
}

// Start pressed during the endless gap leaves the restart timer pending.
class PendingRestart : public ::testing::Test {
protected:
    void SetUp() override {
        RunToTheEndlessGap(rig);
        rig.Advance(1000);
        rig.window.ScriptDraws({DrawForFirstAspect(5), DrawForShortInterval(4999)});
        rig.panel.OnStartStop();
        ASSERT_EQ(rig.panel.State(), STATE_APPROACH);
        ASSERT_TRUE(rig.window.IsArmed(TIMER_RESTART));
    }
    AlarmRig rig;
};

TEST_F(PendingRestart, InApproachTheTickBeginsTheRunAgainFromAFreshAspect) {
    rig.window.ScriptDraws({DrawForFirstAspect(2), DrawForShortInterval(3000)});
    rig.Advance(2000);
    EXPECT_EQ(rig.panel.State(), STATE_APPROACH);
    EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), IDB_SIGNAL_CAUTION);
    EXPECT_EQ(rig.window.PeriodOf(TIMER_SIGNAL), 3000);
    EXPECT_FALSE(rig.window.IsArmed(TIMER_RESTART));
}

TEST_F(PendingRestart, WithIgnoreSignalTickedTheSignalKeepsSteppingAndRaisesASecondAlarm) {
    rig.SetOption(IDC_IGNORESIGNAL, true);
    rig.Advance(2000);  // restart tick: alarm at once, timer 1 left armed
    ASSERT_EQ(rig.panel.State(), STATE_ALARM);
    ASSERT_TRUE(rig.window.IsArmed(TIMER_SIGNAL));
    EXPECT_EQ(rig.window.players.size(), 1u + 1u);  // one from the first cycle
    rig.panel.OnConfirmButton();
    rig.SetOption(IDC_ENDLESS, false);
    rig.panel.OnSustainButton();
    EXPECT_EQ(rig.panel.State(), STATE_IDLE);
    // The signal steps on through Idle and its step to stop raises the alarm again.
    rig.window.ScriptDraws({0, 0, 0});
    ASSERT_TRUE(RunUntilState(rig, STATE_ALARM, 4 * 5000));
    EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), IDB_SIGNAL_STOP);
    EXPECT_EQ(rig.window.players.size(), 3u);
    EXPECT_EQ(rig.window.RunningPlayers(), 1);
}

TEST_F(PendingRestart, TheSignalStepsOnThroughAlarmConfirmedAndIdleThenAlarmsAgain) {
    rig.SetOption(IDC_IGNORESIGNAL, true);
    rig.SetOption(IDC_ENDLESS, false);
    rig.Advance(2000);  // restart tick: the alarm at once; timer 1 still steps from green
    ASSERT_EQ(rig.panel.State(), STATE_ALARM);
    rig.window.ScriptDraws(
        {DrawForShortInterval(1000), DrawForShortInterval(1000), DrawForShortInterval(1000)});
    rig.Advance(2999);  // the step due 4999 ms after Start, in Alarm
    EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), IDB_SIGNAL_REDUCE);
    EXPECT_EQ(rig.panel.State(), STATE_ALARM);
    rig.panel.OnConfirmButton();
    rig.Advance(1000);  // a step in Confirmed
    EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), IDB_SIGNAL_CAUTION);
    EXPECT_EQ(rig.window.PlayingWave(), CHIME_WAVE);
    rig.panel.OnSustainButton();
    ASSERT_EQ(rig.panel.State(), STATE_IDLE);
    rig.Advance(1000);  // a step in Idle
    EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), IDB_SIGNAL_RESTRICT);
    EXPECT_TRUE(rig.window.Silent());
    rig.Advance(1000);  // the step to stop raises the alarm again, from Idle
    EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), IDB_SIGNAL_STOP);
    EXPECT_EQ(rig.panel.State(), STATE_ALARM);
    EXPECT_EQ(rig.window.RunningPlayers(), 1);
    EXPECT_FALSE(rig.window.IsArmed(TIMER_SIGNAL));
}

// Paths through a restart left pending by a Start in the endless gap, where the record once
// went apart from what the window showed and sounded.
struct PendingRestartPath {
    const char* name;
    void (*walk)(AlarmRig&);
    int state;          // where the path ends
    bool bellSounding;  // and what then sounds
    bool chimeSounding;
};

const PendingRestartPath PENDING_RESTART_PATHS[] = {
    {"the last cycle ends in the gap: its restart is cancelled",
     [](AlarmRig& rig) {
         rig.SetOption(IDC_IGNORESIGNAL, true);
         rig.panel.OnStartStop();  // begun by hand in the gap: the alarm at once
         rig.panel.OnConfirmButton();
         rig.SetOption(IDC_ENDLESS, false);
         rig.panel.OnSustainButton();
         rig.Advance(RESTART_GAP_MS);
     },
     STATE_IDLE, false, false},
    {"the bell on the wave channel replaces the chime and its flag",
     [](AlarmRig& rig) {
         rig.Advance(1000);
         rig.window.ScriptDraws({DrawForFirstAspect(5), DrawForShortInterval(4999)});
         rig.panel.OnStartStop();
         rig.SetOption(IDC_IGNORESIGNAL, true);
         rig.Advance(2000);  // the restart raises the alarm; the signal timer steps on
         rig.panel.OnConfirmButton();
         rig.SetOption(IDC_NOOVERLAP, true);
         rig.window.ScriptDraws({0, 0, 0});
         ASSERT_TRUE(RunUntilState(rig, STATE_ALARM));  // the step to stop, from Confirmed
     },
     STATE_ALARM, true, false},
};

TEST(PendingRestartPaths, KeepFlagsAndCaptionTrueToWhatSounds) {
    for (const PendingRestartPath& path : PENDING_RESTART_PATHS) {
        SCOPED_TRACE(path.name);
        AlarmRig rig;
        RunToTheEndlessGap(rig);
        path.walk(rig);
        EXPECT_EQ(rig.panel.State(), path.state);
        EXPECT_EQ(rig.window.BellSounding(), path.bellSounding);
        EXPECT_EQ(rig.window.ChimeSounding(), path.chimeSounding);
        EXPECT_EQ(rig.panel.Bell() == 1, path.bellSounding);
        EXPECT_EQ(rig.panel.Chime() == 1, path.chimeSounding);
        EXPECT_EQ(rig.window.caption, path.state == STATE_IDLE ? CAPTION_START : CAPTION_STOP);
        EXPECT_FALSE(rig.window.IsArmed(TIMER_RESTART));
    }
}

class RestartTickAfterTheAlarm : public ::testing::TestWithParam<bool> {};

TEST_P(RestartTickAfterTheAlarm, OnlyCancelsItself) {
    const bool confirmed = GetParam();
    AlarmRig rig;
    RunToTheEndlessGap(rig);
    rig.Advance(1000);
    StartAt(rig, ASPECT_RESTRICT);
    rig.Advance(1000);
    ASSERT_EQ(rig.panel.State(), STATE_ALARM);
    if (confirmed) rig.panel.OnConfirmButton();
    const auto players = rig.window.players.size();
    const auto chime = rig.window.PlayingWave();
    rig.Advance(1000);  // the restart falls due
    EXPECT_FALSE(rig.window.IsArmed(TIMER_RESTART));
    EXPECT_EQ(rig.panel.State(), confirmed ? STATE_CONFIRMED : STATE_ALARM);
    EXPECT_EQ(rig.window.players.size(), players);
    EXPECT_EQ(rig.window.PlayingWave(), chime);
    EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), IDB_SIGNAL_STOP);
}

INSTANTIATE_TEST_SUITE_P(AlarmAndConfirmed, RestartTickAfterTheAlarm, ::testing::Bool());

TEST(AutoTimer, OutlivesStopAndConfirmsALaterAlarmWithoutFullAuto) {
    AlarmRig rig;
    rig.SetOption(IDC_FULLAUTO, true);
    StartAt(rig, ASPECT_RESTRICT);
    rig.window.ScriptDraws({DrawForShortInterval(1500)});
    ASSERT_TRUE(RunUntilState(rig, STATE_ALARM));
    rig.panel.OnStartStop();
    rig.SetOption(IDC_FULLAUTO, false);
    rig.Advance(4000);  // ticks in Idle do nothing
    EXPECT_EQ(rig.panel.State(), STATE_IDLE);
    EXPECT_TRUE(rig.window.IsArmed(TIMER_AUTO));

    StartAt(rig, ASPECT_PROCEED);  // four steps of 1 s: auto ticks fall into the approach
    ASSERT_TRUE(RunUntilState(rig, STATE_ALARM));
    EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), IDB_SIGNAL_STOP);
    rig.window.ScriptDraws({DrawForLongInterval(8000)});
    ASSERT_TRUE(RunUntilState(rig, STATE_CONFIRMED, 1500));
    EXPECT_EQ(rig.window.PeriodOf(TIMER_AUTO), 8000);
    ASSERT_TRUE(RunUntilState(rig, STATE_IDLE, 8000));
    EXPECT_FALSE(rig.window.IsArmed(TIMER_AUTO));
    EXPECT_TRUE(rig.window.Silent());
}

TEST(AutoTimer, AHandConfirmBeforeTheFirstTickLetsThatTickEndTheCycle) {
    AlarmRig rig;
    rig.SetOption(IDC_FULLAUTO, true);
    StartAt(rig, ASPECT_RESTRICT);
    rig.window.ScriptDraws({DrawForShortInterval(3000)});
    ASSERT_TRUE(RunUntilState(rig, STATE_ALARM));
    rig.panel.OnConfirmButton();
    rig.Advance(3000);
    EXPECT_EQ(rig.panel.State(), STATE_IDLE);
    EXPECT_FALSE(rig.window.IsArmed(TIMER_AUTO));
}

TEST(AutoTimer, AHandEndWhileItIsPendingLeavesItToConfirmTheNextAlarm) {
    AlarmRig rig;
    rig.SetOption(IDC_FULLAUTO, true);
    StartAt(rig, ASPECT_RESTRICT);
    rig.window.ScriptDraws({DrawForShortInterval(2000), DrawForLongInterval(10000)});
    ASSERT_TRUE(RunUntilState(rig, STATE_ALARM));
    rig.Advance(2000);  // automatic confirm, re-armed with 10 s
    rig.panel.OnSustainButton();
    rig.SetOption(IDC_FULLAUTO, false);
    rig.SetOption(IDC_IGNORESIGNAL, true);
    rig.panel.OnStartStop();  // alarm at once
    rig.window.ScriptDraws({DrawForLongInterval(7000)});
    rig.Advance(10000);
    EXPECT_EQ(rig.panel.State(), STATE_CONFIRMED);
    rig.Advance(7000);
    EXPECT_EQ(rig.panel.State(), STATE_IDLE);
}

TEST(AutoTimer, TickingFullAutoDuringAnAlarmDoesNotAutomateIt) {
    AlarmRig rig;
    StartToAlarm(rig);
    rig.SetOption(IDC_FULLAUTO, true);
    rig.Advance(60000);
    EXPECT_EQ(rig.panel.State(), STATE_ALARM);
    EXPECT_FALSE(rig.window.IsArmed(TIMER_AUTO));
}

TEST(AutoTimer, UntickingFullAutoDuringAnAlarmDoesNotStopTheAutomaticSteps) {
    AlarmRig rig;
    rig.SetOption(IDC_FULLAUTO, true);
    StartToAlarm(rig);
    rig.SetOption(IDC_FULLAUTO, false);
    ASSERT_TRUE(RunUntilState(rig, STATE_IDLE, 5000 + 17000));
    EXPECT_TRUE(rig.window.Silent());
}

}  // namespace
}  // namespace ats::testing
