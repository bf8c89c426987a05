// The bell is silenced where it was started: as the program's own wave (no-overlap on at the
// start) or by a player (no-overlap off), whatever the no-overlap box says when it is silenced.
#include <gtest/gtest.h>

#include "cycle_helpers.h"

namespace ats::testing {
namespace {

TEST(BellSource, ConfirmEndsTheProgramsBellAfterNoOverlapWasUnticked) {
    AlarmRig rig;
    rig.SetOption(IDC_NOOVERLAP, true);
    StartToAlarm(rig);
    ASSERT_EQ(rig.window.PlayingWave(), BELL_WAVE);
    rig.SetOption(IDC_NOOVERLAP, false);
    rig.panel.OnConfirmButton();
    EXPECT_EQ(rig.panel.m_nState, Confirmed);
    EXPECT_EQ(rig.window.PlayingWave(), CHIME_WAVE);  // the chime follows, as with the box on
    EXPECT_EQ(rig.panel.m_nChime, 1);
    EXPECT_EQ(rig.window.RunningPlayers(), 0);
    rig.panel.OnSustainButton();
    EXPECT_TRUE(rig.window.Silent());
}

TEST(BellSource, TheBellButtonEndsTheProgramsBellAfterNoOverlapWasUnticked) {
    AlarmRig rig;
    rig.SetOption(IDC_NOOVERLAP, true);
    rig.panel.OnBellButton();
    ASSERT_EQ(rig.window.PlayingWave(), BELL_WAVE);
    rig.SetOption(IDC_NOOVERLAP, false);
    rig.panel.OnBellButton();
    EXPECT_EQ(rig.panel.m_nBell, 0);
    EXPECT_TRUE(rig.window.Silent());
    EXPECT_TRUE(rig.window.players.empty());
}

TEST(BellSource, TheBellButtonLeavesAChimeAloneWhenThePlayerRangWithNoOverlapNowOff) {
    AlarmRig rig;
    rig.panel.OnBellButton();  // player
    rig.panel.OnChimeButton();
    rig.panel.OnBellButton();
    EXPECT_EQ(rig.window.RunningPlayers(), 0);
    EXPECT_EQ(rig.window.PlayingWave(), CHIME_WAVE);
}

TEST(BellSource, AChimeThatReplacedTheProgramsBellIsNotTakenForTheBell) {
    AlarmRig rig;
    rig.SetOption(IDC_NOOVERLAP, true);
    rig.panel.OnBellButton();
    rig.panel.OnChimeButton();  // replaces the bell and clears its flag
    ASSERT_EQ(rig.window.PlayingWave(), CHIME_WAVE);
    rig.SetOption(IDC_NOOVERLAP, false);
    rig.panel.OnBellButton();  // a player rings beside the chime
    rig.panel.OnBellButton();  // and is quit; the chime plays on
    EXPECT_EQ(rig.window.RunningPlayers(), 0);
    EXPECT_EQ(rig.window.PlayingWave(), CHIME_WAVE);
}

TEST(BellSource, StopEndsTheProgramsBellAfterNoOverlapWasUnticked) {
    AlarmRig rig;
    rig.SetOption(IDC_NOOVERLAP, true);
    StartToAlarm(rig);
    rig.SetOption(IDC_NOOVERLAP, false);
    rig.panel.OnStartStop();
    EXPECT_TRUE(rig.window.Silent());
    EXPECT_EQ(rig.panel.m_nState, Idle);
}

// A player that cannot be started (atsbell.exe missing): the flag records the intent, nothing
// sounds, and the stops that follow are harmless.
TEST(FailedPlayerStart, LeavesTheFlagSetNothingSoundingAndLaterStopsHarmless) {
    AlarmRig rig;
    rig.window.failPlayerStarts = true;
    StartToAlarm(rig);
    EXPECT_EQ(rig.panel.m_nBell, 1);
    EXPECT_EQ(rig.window.PlayingWave(), CHIME_WAVE);
    EXPECT_TRUE(rig.window.players.empty());
    rig.panel.OnConfirmButton();
    EXPECT_EQ(rig.panel.m_nBell, 0);
    EXPECT_EQ(rig.panel.m_nState, Confirmed);
    rig.panel.OnStartStop();  // Stop
    EXPECT_TRUE(rig.window.Silent());
    rig.window.failPlayerStarts = false;
    StartToAlarm(rig);  // the next alarm rings normally
    EXPECT_EQ(rig.window.RunningPlayers(), 1);
}

// rand() values at the wrap of both interval forms, and the largest values a rand() gives
// (32767 for the Windows runtime, 2147483647 for glibc).
struct IntervalCase {
    int draw;
    int shortMs;
    int longMs;
};

class IntervalWrap : public ::testing::TestWithParam<IntervalCase> {};

TEST_P(IntervalWrap, BothFormsStayInTheirRanges) {
    const IntervalCase c = GetParam();
    AlarmRig rig;
    rig.SetOption(IDC_FULLAUTO, true);
    rig.SetOption(IDC_IGNORESIGNAL, true);
    rig.window.ScriptDraws({c.draw, c.draw});
    rig.panel.OnStartStop();  // the alarm at once: timer 4 with a short interval
    EXPECT_EQ(rig.panel.m_nDelay, c.shortMs);
    EXPECT_EQ(rig.window.PeriodOf(TIMER_AUTO), c.shortMs);
    rig.Advance(c.shortMs);  // the confirm tick re-arms it with a long interval
    EXPECT_EQ(rig.panel.m_nState, Confirmed);
    EXPECT_EQ(rig.panel.m_nDelay, c.longMs);
    EXPECT_EQ(rig.window.PeriodOf(TIMER_AUTO), c.longMs);
}

INSTANTIATE_TEST_SUITE_P(
    Draws, IntervalWrap,
    ::testing::Values(IntervalCase{3999, 4999, 10999}, IntervalCase{4000, 1000, 11000},
                      IntervalCase{9999, 2999, 16999}, IntervalCase{10000, 3000, 7000},
                      IntervalCase{32767, 1767, 9767}, IntervalCase{2147483647, 4647, 10647}));

}  // namespace
}  // namespace ats::testing
