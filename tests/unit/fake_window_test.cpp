// The fake window's virtual clock and its bell-player rules are what every other core test
// stands on, so they are checked here first.
#include <gtest/gtest.h>

#include "fake_alarm_window.h"

namespace ats::testing {
namespace {

TEST(VirtualClock, DeliversTicksOfSeveralTimersInTimeOrder) {
    FakeAlarmWindow window;
    window.SetTimer(1, 300);
    window.SetTimer(4, 200);
    std::vector<std::pair<int, std::int64_t>> ticks;
    while (const auto id = window.NextTickUntil(650)) ticks.emplace_back(*id, window.NowMs());
    const std::vector<std::pair<int, std::int64_t>> expected{
        {4, 200}, {1, 300}, {4, 400}, {1, 600}, {4, 600}};
    EXPECT_EQ(ticks, expected);
}

TEST(VirtualClock, RearmingReplacesThePeriodAndRestartsIt) {
    FakeAlarmWindow window;
    window.SetTimer(1, 1000);
    window.MoveClockTo(900);
    window.SetTimer(1, 500);
    EXPECT_EQ(window.PeriodOf(1), 500);
    EXPECT_FALSE(window.NextTickUntil(1399).has_value());
    EXPECT_EQ(window.NextTickUntil(1400), 1);
    EXPECT_FALSE(window.NextTickUntil(1899).has_value());
}

TEST(VirtualClock, KillingAnUnarmedTimerDoesNothingAndKilledTimersNeverTick) {
    FakeAlarmWindow window;
    window.KillTimer(3);
    window.SetTimer(2, 10);
    window.KillTimer(2);
    EXPECT_FALSE(window.IsArmed(2));
    EXPECT_FALSE(window.NextTickUntil(1000).has_value());
}

TEST(VirtualClock, ATimerDueDuringAWaitTicksOnceLate) {
    FakeAlarmWindow window;
    window.SetTimer(1, 50);
    window.Wait(120);
    EXPECT_EQ(window.NextTickUntil(120), 1);
    EXPECT_EQ(window.NowMs(), 120);
    EXPECT_FALSE(window.NextTickUntil(169).has_value());
    EXPECT_EQ(window.NextTickUntil(170), 1);
}

// The fake keeps every start as it happened, so a core that starts a second player beside a
// sounding one is caught by the "one player at most" checks.
TEST(FakeBellPlayer, StartsAreKeptAsTheyHappen) {
    FakeAlarmWindow window;
    window.StartBellPlayer("atsbell.exe atsopen 1");
    window.StartBellPlayer("atsbell.exe atsopen 1");
    ASSERT_EQ(window.players.size(), 2u);
    EXPECT_EQ(window.RunningPlayers(), 2);
    window.QuitBellPlayer();
    EXPECT_FALSE(window.players[1].running);
    EXPECT_TRUE(window.players[0].running);  // a quit reaches the newest player only
}

TEST(FakeBellPlayer, AFailedStartLeavesNoPlayer) {
    FakeAlarmWindow window;
    window.failPlayerStarts = true;
    window.StartBellPlayer("atsbell.exe atsopen 1");
    EXPECT_TRUE(window.players.empty());
    EXPECT_TRUE(window.Silent());
}

TEST(FakeBellPlayer, QuitReachesOnlyARunningPlayer) {
    FakeAlarmWindow window;
    window.QuitBellPlayer();  // none started yet
    EXPECT_TRUE(window.players.empty());
    window.StartBellPlayer("atsbell.exe atsopen 1");
    window.QuitBellPlayer();
    window.QuitBellPlayer();
    EXPECT_EQ(window.RunningPlayers(), 0);
    EXPECT_TRUE(window.Silent());
}

TEST(FakeRandom, ScriptedDrawsComeFirstThenSeededOnesInTheRuntimeRange) {
    FakeAlarmWindow window;
    window.ScriptDraws({7, 99});
    EXPECT_EQ(window.Rand(), 7);
    EXPECT_EQ(window.Rand(), 99);
    for (int i = 0; i < 1000; ++i) {
        const int draw = window.Rand();
        ASSERT_GE(draw, 0);
        ASSERT_LE(draw, 0x7fff);
    }
}

}  // namespace
}  // namespace ats::testing
