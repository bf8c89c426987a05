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
    EXPECT_EQ(rig.panel.State(), STATE_CONFIRMED);
    EXPECT_EQ(rig.window.PlayingWave(), CHIME_WAVE);  // the chime follows, as with the box on
    EXPECT_EQ(rig.panel.Chime(), 1);
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
    EXPECT_EQ(rig.panel.Bell(), 0);
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
    EXPECT_EQ(rig.panel.State(), STATE_IDLE);
}

// Sequences of the two sound buttons and the no-overlap box while idle: afterwards each flag
// is set exactly while its sound sounds, each sounding sound is silenced by its own button,
// and then Start begins a run. Steps: B bell button, C chime button, O a click of no-overlap.
struct SoundSequence {
    const char* steps;
    bool bell;
    bool chime;
};

class SoundFlags : public ::testing::TestWithParam<SoundSequence> {};

TEST_P(SoundFlags, FollowWhatSoundsAndNeverLockStart) {
    const SoundSequence c = GetParam();
    AlarmRig rig;
    for (const char step : std::string_view(c.steps)) {
        switch (step) {
            case 'B': rig.panel.OnBellButton(); break;
            case 'C': rig.panel.OnChimeButton(); break;
            case 'O': rig.ClickOption(IDC_NOOVERLAP); break;
            default: FAIL() << "unknown step " << step;
        }
    }
    EXPECT_EQ(rig.window.BellSounding(), c.bell);
    EXPECT_EQ(rig.window.ChimeSounding(), c.chime);
    EXPECT_EQ(rig.panel.Bell(), c.bell ? 1 : 0);
    EXPECT_EQ(rig.panel.Chime(), c.chime ? 1 : 0);
    EXPECT_LE(rig.window.RunningPlayers(), 1);

    if (c.bell) rig.panel.OnBellButton();
    if (c.chime) rig.panel.OnChimeButton();
    EXPECT_TRUE(rig.window.Silent());
    rig.window.ScriptDraws({DrawForFirstAspect(ASPECT_CAUTION)});
    rig.panel.OnStartStop();
    EXPECT_EQ(rig.panel.State(), STATE_APPROACH);
}

INSTANTIATE_TEST_SUITE_P(
    STATE_IDLE, SoundFlags,
    ::testing::Values(
        SoundSequence{"BC", true, true},        // player bell beside the chime
        SoundSequence{"OCBC", false, true},     // with no-overlap each replaces the other
        SoundSequence{"BCOB", false, true},     // stopping a player bell leaves the chime
        SoundSequence{"BOCC", true, false},     // a chime click leaves a player bell its flag
        SoundSequence{"BOC", true, true},       // ... also when the chime starts beside it
        SoundSequence{"OBOC", false, true},     // the chime replaces the program's own bell
        SoundSequence{"OBBOBC", true, true}),   // a silenced program bell is not the bell later
    [](const ::testing::TestParamInfo<SoundSequence>& info) {
        return std::string("Steps_") + info.param.steps;
    });

// The chime button reads the options too: a run the endless gap begins takes them as the
// boxes showed at that click.
TEST(SoundButtons, TheChimeButtonRefreshesTheOptionsForTheNextEndlessRun) {
    AlarmRig rig;
    RunToTheEndlessGap(rig);
    ASSERT_TRUE(rig.window.IsArmed(TIMER_RESTART));
    rig.window.checkboxes.ignoreSignal = true;  // ticked, but no click event reached the core
    rig.panel.OnChimeButton();
    rig.panel.OnChimeButton();
    rig.Advance(RESTART_GAP_MS);
    EXPECT_EQ(rig.panel.State(), STATE_ALARM);  // ignore signal: the alarm at once
}

// A player that cannot be started (atsbell.exe missing): the flag records the intent, nothing
// sounds, and the stops that follow are harmless.
TEST(FailedPlayerStart, LeavesTheFlagSetNothingSoundingAndLaterStopsHarmless) {
    AlarmRig rig;
    rig.window.failPlayerStarts = true;
    StartToAlarm(rig);
    EXPECT_EQ(rig.panel.Bell(), 1);
    EXPECT_EQ(rig.window.PlayingWave(), CHIME_WAVE);
    EXPECT_TRUE(rig.window.players.empty());
    rig.panel.OnConfirmButton();
    EXPECT_EQ(rig.panel.Bell(), 0);
    EXPECT_EQ(rig.panel.State(), STATE_CONFIRMED);
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
    EXPECT_EQ(rig.panel.Delay(), c.shortMs);
    EXPECT_EQ(rig.window.PeriodOf(TIMER_AUTO), c.shortMs);
    rig.Advance(c.shortMs);  // the confirm tick re-arms it with a long interval
    EXPECT_EQ(rig.panel.State(), STATE_CONFIRMED);
    EXPECT_EQ(rig.panel.Delay(), c.longMs);
    EXPECT_EQ(rig.window.PeriodOf(TIMER_AUTO), c.longMs);
}

INSTANTIATE_TEST_SUITE_P(
    Draws, IntervalWrap,
    ::testing::Values(IntervalCase{3999, 4999, 10999}, IntervalCase{4000, 1000, 11000},
                      IntervalCase{9999, 2999, 16999}, IntervalCase{10000, 3000, 7000},
                      IntervalCase{32767, 1767, 9767}, IntervalCase{2147483647, 4647, 10647}));

}  // namespace
}  // namespace ats::testing
