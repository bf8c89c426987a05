// Whole alarm cycles, one per option combination that changes the path, and the order of
// the calls at each turn of the cycle.
#include <gtest/gtest.h>

#include "cycle_helpers.h"

namespace ats::testing {
namespace {

using Calls = std::vector<std::string>;

TEST(Cycle, PlainCycleFromGreenToStopAlarmConfirmAndEnd) {
    AlarmRig rig;
    rig.window.ScriptDraws({DrawForFirstAspect(5), DrawForShortInterval(1500)});
    rig.panel.OnStartStop();
    EXPECT_EQ(rig.window.caption, CAPTION_STOP);
    EXPECT_EQ(rig.panel.State(), STATE_APPROACH);
    EXPECT_EQ(rig.panel.Aspect(), ASPECT_PROCEED);
    EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), IDB_SIGNAL_PROCEED);
    EXPECT_EQ(rig.window.PeriodOf(TIMER_SIGNAL), 1500);
    EXPECT_EQ(rig.panel.Delay(), 1500);

    // Each step shows the next aspect after its own freshly drawn interval.
    const std::vector<std::pair<int, int>> steps{
        {2000, IDB_SIGNAL_REDUCE}, {4999, IDB_SIGNAL_CAUTION}, {1000, IDB_SIGNAL_RESTRICT}};
    int interval = 1500;
    for (const auto& [nextInterval, bitmap] : steps) {
        rig.window.ScriptDraws({DrawForShortInterval(nextInterval)});
        rig.Advance(interval - 1);
        EXPECT_NE(rig.window.Shown(IDC_SIGNAL), bitmap);
        rig.Advance(1);
        EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), bitmap);
        EXPECT_EQ(rig.window.PeriodOf(TIMER_SIGNAL), nextInterval);
        interval = nextInterval;
    }
    EXPECT_TRUE(rig.window.Silent());

    rig.Advance(interval);
    EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), IDB_SIGNAL_STOP);
    EXPECT_EQ(rig.panel.Aspect(), ASPECT_STOP);
    EXPECT_EQ(rig.panel.State(), STATE_ALARM);
    EXPECT_EQ(rig.window.Shown(IDC_PANEL), IDB_PANEL_ALARM);
    EXPECT_FALSE(rig.window.IsArmed(TIMER_SIGNAL));
    EXPECT_EQ(rig.window.RunningPlayers(), 1);
    EXPECT_TRUE(rig.window.ChimeSounding());
    EXPECT_EQ(rig.window.ScriptedDrawsLeft(), 0u);

    rig.Advance(60000);  // the alarm waits for the driver as long as it takes
    EXPECT_EQ(rig.panel.State(), STATE_ALARM);

    rig.panel.OnConfirmButton();
    EXPECT_EQ(rig.panel.State(), STATE_CONFIRMED);
    EXPECT_EQ(rig.window.RunningPlayers(), 0);
    EXPECT_TRUE(rig.window.ChimeSounding());
    EXPECT_EQ(rig.window.Shown(IDC_PANEL), IDB_PANEL_NORMAL);
    EXPECT_EQ(rig.window.caption, CAPTION_STOP);

    rig.panel.OnSustainButton();
    EXPECT_EQ(rig.panel.State(), STATE_IDLE);
    EXPECT_TRUE(rig.window.Silent());
    EXPECT_EQ(rig.window.caption, CAPTION_START);
    EXPECT_FALSE(rig.window.IsArmed(TIMER_RESTART));
}

TEST(Cycle, FirstAspectIsOneOfTheFourPermissiveOnes) {
    for (int draw = 0; draw < 10; ++draw) {
        AlarmRig rig;
        rig.window.ScriptDraws({draw, 0});
        rig.panel.OnStartStop();
        const int k = draw % 5 + 1;
        EXPECT_EQ(rig.panel.Aspect(), std::min(k, int{ASPECT_PROCEED})) << "draw " << draw;
        EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), IDB_SIGNAL_STOP + std::min(k, 4));
    }
}

TEST(Cycle, ButtonsOutOfTurnDoNothing) {
    AlarmRig rig;
    rig.panel.OnConfirmButton();
    rig.panel.OnSustainButton();
    StartAt(rig, ASPECT_CAUTION);
    rig.window.calls.clear();
    rig.panel.OnConfirmButton();
    rig.panel.OnSustainButton();
    EXPECT_TRUE(rig.window.calls.empty());
    ASSERT_TRUE(RunUntilState(rig, STATE_ALARM));
    rig.panel.OnSustainButton();
    EXPECT_EQ(rig.panel.State(), STATE_ALARM);
}

TEST(Cycle, NoOverlapRingsTheBellInTheProgramThenReplacesItWithTheChime) {
    AlarmRig rig;
    rig.SetOption(IDC_NOOVERLAP, true);
    StartToAlarm(rig);
    EXPECT_EQ(rig.window.PlayingWave(), BELL_WAVE);
    EXPECT_TRUE(rig.window.players.empty());
    EXPECT_EQ(rig.panel.Chime(), 0);
    rig.panel.OnConfirmButton();
    EXPECT_EQ(rig.window.PlayingWave(), CHIME_WAVE);
    EXPECT_EQ(rig.panel.Chime(), 1);
    rig.panel.OnSustainButton();
    EXPECT_TRUE(rig.window.Silent());
}

TEST(Cycle, IgnoreSignalRaisesTheAlarmAtOnceWithoutTouchingTheSignal) {
    AlarmRig rig;
    rig.SetOption(IDC_IGNORESIGNAL, true);
    rig.window.calls.clear();
    rig.panel.OnStartStop();
    EXPECT_EQ(rig.panel.State(), STATE_ALARM);
    EXPECT_FALSE(rig.window.IsArmed(TIMER_SIGNAL));
    for (const auto& call : rig.window.calls)
        EXPECT_EQ(call.find("ShowBitmap 1006"), std::string::npos);
    EXPECT_EQ(rig.window.RunningPlayers(), 1);
}

TEST(Cycle, FullAutoConfirmsAfterAShortAndEndsAfterALongInterval) {
    AlarmRig rig;
    rig.SetOption(IDC_FULLAUTO, true);
    StartAt(rig, ASPECT_RESTRICT);
    rig.window.ScriptDraws({DrawForShortInterval(2500), DrawForLongInterval(16999)});
    ASSERT_TRUE(RunUntilState(rig, STATE_ALARM));
    EXPECT_EQ(rig.window.PeriodOf(TIMER_AUTO), 2500);
    // The timer was armed before the bell player's start wait.
    rig.Advance(2500 - BELL_PLAYER_START_WAIT_MS - 1);
    EXPECT_EQ(rig.panel.State(), STATE_ALARM);
    rig.Advance(1);
    EXPECT_EQ(rig.panel.State(), STATE_CONFIRMED);
    EXPECT_EQ(rig.window.RunningPlayers(), 0);
    EXPECT_EQ(rig.window.PeriodOf(TIMER_AUTO), 16999);
    EXPECT_EQ(rig.panel.Delay(), 16999);
    rig.Advance(16998);
    EXPECT_EQ(rig.panel.State(), STATE_CONFIRMED);
    rig.Advance(1);
    EXPECT_EQ(rig.panel.State(), STATE_IDLE);
    EXPECT_FALSE(rig.window.IsArmed(TIMER_AUTO));
    EXPECT_TRUE(rig.window.Silent());
    EXPECT_EQ(rig.window.caption, CAPTION_START);
}

TEST(Cycle, EndlessBeginsTheNextRunThreeSecondsAfterTheEnd) {
    AlarmRig rig;
    RunToTheEndlessGap(rig);
    EXPECT_EQ(rig.panel.State(), STATE_IDLE);
    EXPECT_EQ(rig.window.caption, CAPTION_STOP);
    EXPECT_EQ(rig.window.PeriodOf(TIMER_RESTART), RESTART_GAP_MS);
    rig.window.ScriptDraws({DrawForFirstAspect(3), 0});
    rig.Advance(RESTART_GAP_MS - 1);
    EXPECT_EQ(rig.panel.State(), STATE_IDLE);
    rig.Advance(1);
    EXPECT_EQ(rig.panel.State(), STATE_APPROACH);
    EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), IDB_SIGNAL_REDUCE);
    EXPECT_FALSE(rig.window.IsArmed(TIMER_RESTART));
}

TEST(Cycle, EndlessFullAutoIgnoreSignalRepeatsWithoutAnyClick) {
    AlarmRig rig;
    rig.SetOption(IDC_ENDLESS, true);
    rig.SetOption(IDC_FULLAUTO, true);
    rig.SetOption(IDC_IGNORESIGNAL, true);
    rig.panel.OnStartStop();
    EXPECT_EQ(rig.panel.State(), STATE_ALARM);
    rig.Advance(2 * 60 * 1000);
    // Each cycle takes at most 5 s + 17 s + 1 ms, so two minutes hold at least five alarms.
    EXPECT_GE(rig.window.players.size(), 5u);
    EXPECT_LE(rig.window.RunningPlayers(), 1);
    EXPECT_EQ(rig.window.caption, CAPTION_STOP);
}

TEST(Cycle, UntickingEndlessBeforeTheEndMakesItTheLastRun) {
    AlarmRig rig;
    rig.SetOption(IDC_ENDLESS, true);
    StartToAlarm(rig);
    rig.panel.OnConfirmButton();
    rig.SetOption(IDC_ENDLESS, false);
    rig.panel.OnSustainButton();
    EXPECT_FALSE(rig.window.IsArmed(TIMER_RESTART));
    EXPECT_EQ(rig.window.caption, CAPTION_START);
}

TEST(CallOrder, AlarmOnset) {
    AlarmRig rig;
    rig.SetOption(IDC_FULLAUTO, true);
    StartAt(rig, ASPECT_RESTRICT);
    rig.window.ScriptDraws({DrawForShortInterval(1234)});
    rig.window.calls.clear();
    rig.Advance(1000);
    const Calls expected{"ShowBitmap 1006 132",
                         "KillTimer 1",
                         "ShowBitmap 1007 131",
                         "SetTimer 4 1234",
                         "QuitBellPlayer",
                         std::string("StartBellPlayer ") + BELL_PLAYER_COMMAND,
                         "Wait 100",
                         "PlayWaveLoop atschime.wav"};
    EXPECT_EQ(rig.window.calls, expected);
}

TEST(CallOrder, ConfirmWithAndWithoutNoOverlap) {
    AlarmRig rig;
    StartToAlarm(rig);
    rig.window.calls.clear();
    rig.panel.OnConfirmButton();
    EXPECT_EQ(rig.window.calls, (Calls{"QuitBellPlayer", "KillTimer 2", "ShowBitmap 1007 129"}));

    AlarmRig quiet;
    quiet.SetOption(IDC_NOOVERLAP, true);
    StartToAlarm(quiet);
    quiet.window.calls.clear();
    quiet.panel.OnConfirmButton();
    EXPECT_EQ(quiet.window.calls, (Calls{"QuitBellPlayer", "StopWave", "PlayWaveLoop atschime.wav",
                                         "KillTimer 2", "ShowBitmap 1007 129"}));
}

TEST(CallOrder, Stop) {
    AlarmRig rig;
    StartToAlarm(rig);
    rig.window.calls.clear();
    rig.panel.OnStartStop();
    const Calls expected{"KillTimer 1",         "ShowBitmap 1006 132", "KillTimer 2",
                         "ShowBitmap 1007 129", "QuitBellPlayer",      "StopWave",
                         "KillTimer 3",         "SetStartCaption 開始"};
    EXPECT_EQ(rig.window.calls, expected);
}

TEST(CallOrder, EndWithAndWithoutEndless) {
    AlarmRig rig;
    StartToAlarm(rig);
    rig.panel.OnConfirmButton();
    rig.window.calls.clear();
    rig.panel.OnSustainButton();
    EXPECT_EQ(rig.window.calls, (Calls{"StopWave", "KillTimer 3", "SetStartCaption 開始"}));

    AlarmRig endless;
    endless.SetOption(IDC_ENDLESS, true);
    endless.SetOption(IDC_IGNORESIGNAL, true);
    endless.panel.OnStartStop();
    endless.panel.OnConfirmButton();
    endless.window.calls.clear();
    endless.panel.OnSustainButton();
    EXPECT_EQ(endless.window.calls, (Calls{"StopWave", "SetTimer 3 1"}));
}

}  // namespace
}  // namespace ats::testing
