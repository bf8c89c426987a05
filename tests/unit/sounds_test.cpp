// The two sound buttons, the no-overlap rule and the bell player's start and stop.
#include <gtest/gtest.h>

#include "cycle_helpers.h"
#include "fake_alarm_window.h"

namespace ats::testing {
namespace {

TEST(BellButton, WithoutNoOverlapStartsOnePlayerWithTheWindowHandleThenQuitsIt) {
    AlarmRig rig;
    rig.panel.OnBellButton();
    ASSERT_EQ(rig.window.players.size(), 1u);
    EXPECT_EQ(rig.window.players[0].commandLine, BELL_PLAYER_COMMAND);
    EXPECT_EQ(rig.panel.BellArg(), FAKE_WINDOW_HANDLE);
    EXPECT_EQ(rig.panel.Bell(), 1);
    EXPECT_EQ(rig.window.waitedMs, BELL_PLAYER_START_WAIT_MS);
    EXPECT_TRUE(rig.window.BellSounding());
    EXPECT_FALSE(rig.window.PlayingWave().has_value());

    rig.panel.OnBellButton();
    EXPECT_EQ(rig.window.players.size(), 1u);
    EXPECT_EQ(rig.panel.Bell(), 0);
    EXPECT_TRUE(rig.window.Silent());
}

TEST(BellButton, QuitStartThenWaitIsTheOrderOfAPlayerStart) {
    AlarmRig rig;
    rig.panel.OnBellButton();
    const std::vector<std::string> expected{"ReadOptions", "QuitBellPlayer",
                                            std::string("StartBellPlayer ") + BELL_PLAYER_COMMAND,
                                            "Wait 100"};
    EXPECT_EQ(rig.window.calls, expected);
}

TEST(SoundButtons, WithoutNoOverlapBellAndChimeSoundTogether) {
    AlarmRig rig;
    rig.panel.OnBellButton();
    rig.panel.OnChimeButton();
    EXPECT_TRUE(rig.window.BellSounding());
    EXPECT_TRUE(rig.window.ChimeSounding());
    rig.panel.OnChimeButton();
    EXPECT_FALSE(rig.window.ChimeSounding());
    EXPECT_TRUE(rig.window.BellSounding());
    EXPECT_EQ(rig.panel.Chime(), 0);
    EXPECT_EQ(rig.panel.Bell(), 1);
}

TEST(SoundButtons, WithNoOverlapTheLaterSoundReplacesTheEarlierAndClearsItsFlag) {
    AlarmRig rig;
    rig.SetOption(IDC_NOOVERLAP, true);
    rig.panel.OnChimeButton();
    EXPECT_EQ(rig.window.PlayingWave(), CHIME_WAVE);
    rig.panel.OnBellButton();
    EXPECT_EQ(rig.window.PlayingWave(), BELL_WAVE);
    EXPECT_TRUE(rig.window.players.empty());
    EXPECT_EQ(rig.panel.Chime(), 0);
    EXPECT_EQ(rig.panel.Bell(), 1);
    rig.panel.OnChimeButton();
    EXPECT_EQ(rig.window.PlayingWave(), CHIME_WAVE);
    EXPECT_EQ(rig.panel.Bell(), 0);
    EXPECT_EQ(rig.panel.Chime(), 1);
    rig.panel.OnChimeButton();
    EXPECT_TRUE(rig.window.Silent());
}

TEST(SoundButtons, ReadTheOptionsAsTheyAreAtTheClick) {
    AlarmRig rig;
    rig.window.checkboxes.noOverlap = true;  // ticked, but no click event reached the core
    rig.panel.OnBellButton();
    EXPECT_EQ(rig.window.PlayingWave(), BELL_WAVE);
    EXPECT_TRUE(rig.window.players.empty());
}

TEST(SoundButtons, DoNothingWhileARunIsActive) {
    AlarmRig rig;
    rig.window.ScriptDraws({0, 0});
    rig.panel.OnStartStop();
    rig.window.calls.clear();
    rig.panel.OnBellButton();
    rig.panel.OnChimeButton();
    EXPECT_TRUE(rig.window.calls.empty());
    EXPECT_TRUE(rig.window.Silent());
}

TEST(SoundButtons, DoNothingInTheAlarmOrAfterTheConfirm) {
    AlarmRig rig;
    StartToAlarm(rig);
    for (const int state : {STATE_ALARM, STATE_CONFIRMED}) {
        if (state == STATE_CONFIRMED) rig.panel.OnConfirmButton();
        ASSERT_EQ(rig.panel.State(), state);
        const auto players = rig.window.players.size();
        const auto wave = rig.window.PlayingWave();
        rig.window.calls.clear();
        rig.panel.OnBellButton();
        rig.panel.OnChimeButton();
        EXPECT_TRUE(rig.window.calls.empty()) << "state " << state;
        EXPECT_EQ(rig.window.players.size(), players);
        EXPECT_EQ(rig.window.PlayingWave(), wave);
    }
}

TEST(RingChime, DuringTheAlarmWithNoOverlapPlaysNothingAndKeepsTheFlag) {
    // Chime off: the alarm raised with no-overlap on. Chime on: raised with it off, then ticked.
    for (const int chimeFlag : {0, 1}) {
        AlarmRig rig;
        rig.SetOption(IDC_IGNORESIGNAL, true);
        rig.SetOption(IDC_NOOVERLAP, chimeFlag == 0);
        rig.panel.OnStartStop();
        rig.SetOption(IDC_NOOVERLAP, true);
        ASSERT_EQ(rig.panel.State(), STATE_ALARM);
        ASSERT_EQ(rig.panel.Chime(), chimeFlag);
        rig.window.calls.clear();
        rig.panel.RingChime();
        EXPECT_EQ(rig.panel.Chime(), chimeFlag);
        EXPECT_TRUE(rig.window.calls.empty()) << "chime flag " << chimeFlag;
        rig.panel.OnConfirmButton();
        ASSERT_EQ(rig.panel.State(), STATE_CONFIRMED);
        rig.panel.RingChime();
        EXPECT_EQ(rig.panel.Chime(), 1);
        EXPECT_EQ(rig.window.PlayingWave(), CHIME_WAVE);
    }
}

// A player started while no-overlap was off must not outlive a later tick of the box.
TEST(BellSilencing, BellButtonQuitsAPlayerEvenAfterNoOverlapWasTicked) {
    AlarmRig rig;
    rig.panel.OnBellButton();
    rig.SetOption(IDC_NOOVERLAP, true);
    rig.panel.OnBellButton();
    EXPECT_EQ(rig.window.RunningPlayers(), 0);
    EXPECT_EQ(rig.panel.Bell(), 0);
}

TEST(BellSilencing, StopBellAlsoEndsTheWaveWhenNoOverlapIsOn) {
    AlarmRig rig;
    rig.SetOption(IDC_NOOVERLAP, true);
    rig.panel.OnBellButton();
    rig.panel.OnBellButton();
    EXPECT_TRUE(rig.window.Silent());
    const std::vector<std::string> tail(rig.window.calls.end() - 2, rig.window.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"QuitBellPlayer", "StopWave"}));
}

TEST(BellSilencing, ExitCleanupQuitsThePlayerWhateverTheOptionsSay) {
    AlarmRig rig;
    rig.panel.OnBellButton();
    rig.panel.OnChimeButton();
    rig.SetOption(IDC_NOOVERLAP, true);
    rig.window.calls.clear();
    rig.panel.ExitCleanup();
    EXPECT_TRUE(rig.window.Silent());
    EXPECT_EQ(rig.window.calls, (std::vector<std::string>{"QuitBellPlayer", "StopWave"}));
}

TEST(BellSilencing, ExitCleanupWithNothingEverStartedStaysQuiet) {
    AlarmRig rig;
    rig.panel.ExitCleanup();
    EXPECT_TRUE(rig.window.players.empty());
    EXPECT_TRUE(rig.window.Silent());
}

}  // namespace
}  // namespace ats::testing
