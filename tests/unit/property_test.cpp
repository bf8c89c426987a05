// Long random sequences of clicks, option changes, blink ticks and passing time, with the
// cycle's invariants checked after every step.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <random>
#include <stdexcept>

#include "cycle_helpers.h"

namespace ats::testing {
namespace {

enum class Step {
    StartStop,
    Confirm,
    Sustain,
    Bell,
    Chime,
    Option,
    BlinkTick,
    ShortWait,
    LongWait,
    Deadline,  // the confirm deadline's menu item toggled
    Count
};

struct Invariants {
    const AlarmRig& rig;
    std::string where;
    // The signal timer outlived its approach (a restart pending from the endless gap met
    // ignore signal): once in Idle, its step to stop raises an alarm under 開始, as kept.
    bool signalOutlivedItsApproach = false;

    void CheckAfter(Step step, int stateBefore) const {
        const AlarmPanel& p = rig.panel;
        const FakeAlarmWindow& w = rig.window;
        ASSERT_GE(p.State(), STATE_IDLE) << where;
        ASSERT_LE(p.State(), STATE_CONFIRMED) << where;
        ASSERT_GE(p.Blink(), 0) << where;
        ASSERT_LE(p.Blink(), 2) << where;
        ASSERT_GE(p.Aspect(), ASPECT_STOP) << where;
        ASSERT_LE(p.Aspect(), ASPECT_PROCEED) << where;
        ASSERT_LE(w.RunningPlayers(), 1) << where;

        if (step == Step::StartStop && stateBefore > STATE_IDLE) {
            ASSERT_TRUE(w.Silent()) << where << ": sound after Stop";
            ASSERT_EQ(w.Shown(IDC_SIGNAL), IDB_SIGNAL_STOP) << where;
            ASSERT_EQ(w.Shown(IDC_PANEL), IDB_PANEL_NORMAL) << where;
            ASSERT_EQ(w.caption, CAPTION_START) << where;
            ASSERT_FALSE(w.IsArmed(TIMER_SIGNAL) || w.IsArmed(TIMER_RESTART)) << where;
        }
        if (p.State() > STATE_IDLE && !signalOutlivedItsApproach) {
            ASSERT_EQ(w.caption, CAPTION_STOP) << where;
        }
        if (p.State() == STATE_APPROACH) {
            ASSERT_TRUE(w.IsArmed(TIMER_SIGNAL)) << where << ": signal stuck";
        }
        if (w.IsArmed(TIMER_DEADLINE)) {
            ASSERT_EQ(p.State(), STATE_ALARM) << where << ": a deadline outside the alarm";
            ASSERT_TRUE(p.ConfirmDeadline()) << where << ": a deadline with the item off";
        }
        if (p.State() == STATE_ALARM) {
            ASSERT_EQ(p.Bell(), 1) << where;
            ASSERT_TRUE(w.BellSounding()) << where << ": alarm without bell";
            ASSERT_NE(w.Shown(IDC_PANEL), IDB_PANEL_NORMAL) << where;
        }
        if (p.State() == STATE_CONFIRMED) {
            ASSERT_EQ(w.RunningPlayers(), 0) << where << ": bell player outlived the confirm";
            ASSERT_EQ(p.Bell(), 0) << where;
            ASSERT_TRUE(w.ChimeSounding()) << where << ": the chime phase without the chime";
            ASSERT_EQ(w.Shown(IDC_PANEL), IDB_PANEL_NORMAL) << where;
        }
        // The flags are what the sound buttons, Start and the restart go by: in every state
        // each is set exactly while its sound sounds.
        ASSERT_EQ(p.Bell() == 1, w.BellSounding()) << where << ": bell flag apart";
        ASSERT_EQ(p.Chime() == 1, w.ChimeSounding()) << where << ": chime flag apart";
        if (w.caption == CAPTION_START) {
            ASSERT_FALSE(w.IsArmed(TIMER_RESTART)) << where << ": a restart under 開始";
        }
        if (const auto period = w.PeriodOf(TIMER_SIGNAL)) {
            ASSERT_GE(*period, SHORT_INTERVAL_MIN_MS) << where;
            ASSERT_LE(*period, LONGEST_SHORT_INTERVAL_MS) << where;
        }
        if (const auto period = w.PeriodOf(TIMER_AUTO)) {
            ASSERT_GE(*period, SHORT_INTERVAL_MIN_MS) << where;
            ASSERT_LE(*period, LONG_INTERVAL_MIN_MS + LONG_INTERVAL_SPAN_MS - 1) << where;
        }
        if (const auto period = w.PeriodOf(TIMER_RESTART)) {
            ASSERT_TRUE(*period == RESTART_GAP_MS || *period == RESTART_GAP_IGNORE_SIGNAL_MS)
                << where;
        }
        ASSERT_FALSE(w.IsArmed(TIMER_BLINK)) << where;
    }
};

void ApplyStep(AlarmRig& rig, Step step, std::mt19937& random,
               const std::function<void()>& afterEachTick = {}) {
    static constexpr int OPTIONS[] = {IDC_ENDLESS, IDC_FULLAUTO, IDC_IGNORESIGNAL, IDC_NOOVERLAP};
    switch (step) {
        case Step::StartStop: rig.panel.OnStartStop(); break;
        case Step::Confirm: rig.panel.OnConfirmButton(); break;
        case Step::Sustain: rig.panel.OnSustainButton(); break;
        case Step::Bell: rig.panel.OnBellButton(); break;
        case Step::Chime: rig.panel.OnChimeButton(); break;
        case Step::Option: rig.ClickOption(OPTIONS[random() % 4]); break;
        case Step::BlinkTick: rig.panel.OnTimer(TIMER_BLINK); break;  // as the bell player posts
        case Step::ShortWait: rig.Advance(1 + random() % 1500, afterEachTick); break;
        case Step::LongWait: rig.Advance(1 + random() % 20000, afterEachTick); break;
        case Step::Deadline: rig.panel.SetConfirmDeadline(!rig.panel.ConfirmDeadline()); break;
        case Step::Count: break;
    }
}

TEST(RandomSequences, KeepEveryInvariantAndExitLeavesNothingSounding) {
    constexpr int SEQUENCES = 400;
    constexpr int STEPS_PER_SEQUENCE = 60;
    for (int seed = 1; seed <= SEQUENCES; ++seed) {
        AlarmRig rig;
        rig.window.SeedFallbackDraws(static_cast<unsigned>(seed));
        std::mt19937 random(static_cast<unsigned>(seed) * 7919u);
        std::string trail;
        bool signalOutlivedItsApproach = false;
        const auto trackTheSignalTimer = [&] {
            const bool signalArmed = rig.window.IsArmed(TIMER_SIGNAL);
            if (signalArmed && rig.panel.State() != STATE_APPROACH) {
                signalOutlivedItsApproach = true;
            } else if (!signalArmed && rig.panel.State() == STATE_IDLE) {
                signalOutlivedItsApproach = false;
            }
        };
        if (seed % 2 == 0) {
            // Half the walks start with a run begun by hand in the endless gap (half of those
            // with ignore signal), so the pending restart and the signal timer it can leave
            // armed are walked too.
            RunToTheEndlessGap(rig);
            rig.SetOption(IDC_IGNORESIGNAL, seed % 4 == 0);
            rig.panel.OnStartStop();
            trail = "gap-start ";
        }
        for (int i = 0; i < STEPS_PER_SEQUENCE; ++i) {
            const auto step = static_cast<Step>(random() % static_cast<unsigned>(Step::Count));
            trail += std::to_string(static_cast<int>(step)) + " ";
            const int stateBefore = rig.panel.State();
            ApplyStep(rig, step, random, trackTheSignalTimer);
            Invariants{rig, "seed " + std::to_string(seed) + " steps " + trail,
                       signalOutlivedItsApproach}
                .CheckAfter(step, stateBefore);
            if (::testing::Test::HasFatalFailure()) {
                for (const auto& call : rig.window.calls) std::cerr << call << "\n";
                return;
            }
            trackTheSignalTimer();
        }
        rig.panel.ExitCleanup();
        ASSERT_TRUE(rig.window.Silent()) << "seed " << seed << ": sound after exit";
    }
}

void ExpectQuietIdle(const AlarmRig& rig, const std::string& where) {
    const FakeAlarmWindow& w = rig.window;
    EXPECT_TRUE(w.Silent()) << where;
    EXPECT_EQ(w.RunningPlayers(), 0) << where;
    for (const int timerId : {TIMER_SIGNAL, TIMER_BLINK, TIMER_RESTART, TIMER_AUTO, TIMER_DEADLINE}) {
        EXPECT_FALSE(w.IsArmed(timerId)) << where << ": timer " << timerId;
    }
    EXPECT_EQ(rig.panel.State(), STATE_IDLE) << where;
    EXPECT_EQ(rig.panel.Bell(), 0) << where;
    EXPECT_EQ(rig.panel.Chime(), 0) << where;
    EXPECT_EQ(w.Shown(IDC_SIGNAL), IDB_SIGNAL_STOP) << where;
    EXPECT_EQ(w.Shown(IDC_PANEL), IDB_PANEL_NORMAL) << where;
    EXPECT_EQ(w.caption, CAPTION_START) << where;
}

// The window layer catches an exception thrown from any port call and has the panel recover:
// wherever the failure strikes, the program ends up quiet and idle, and works on afterwards.
TEST(RandomSequences, AFailingPortCallAnywhereRecoversToAQuietIdleThatWorksOn) {
    constexpr int SEQUENCES = 200;
    constexpr int STEPS_PER_SEQUENCE = 60;
    int failures = 0;
    for (int seed = 1; seed <= SEQUENCES; ++seed) {
        AlarmRig rig;
        rig.window.SeedFallbackDraws(static_cast<unsigned>(seed));
        std::mt19937 random(static_cast<unsigned>(seed) * 104729u);
        rig.window.failAtPortCall = rig.window.PortCalls() + 1 + random() % 60;
        bool failed = false;
        for (int i = 0; i < STEPS_PER_SEQUENCE; ++i) {
            const auto step = static_cast<Step>(random() % static_cast<unsigned>(Step::Count));
            const int stateBefore = rig.panel.State();
            try {
                ApplyStep(rig, step, random);
            } catch (const std::runtime_error&) {
                ASSERT_FALSE(failed);
                failed = true;
                ++failures;
                rig.panel.Recover();
                ExpectQuietIdle(rig, "seed " + std::to_string(seed));
                continue;
            }
            Invariants{rig, "seed " + std::to_string(seed)}.CheckAfter(step, stateBefore);
            if (::testing::Test::HasFatalFailure()) return;
        }
        rig.window.failAtPortCall = 0;
        rig.panel.ExitCleanup();
        ASSERT_TRUE(rig.window.Silent()) << "seed " << seed;
    }
    EXPECT_GT(failures, SEQUENCES / 2);  // most sequences really met a failure
}

TEST(Recover, FromAFailedPlayerStartInTheAlarm) {
    AlarmRig rig;
    rig.SetOption(IDC_FULLAUTO, true);
    StartAt(rig, ASPECT_RESTRICT);
    // The alarm onset: ShowBitmap, KillTimer, ShowBitmap, SetTimer, QuitBellPlayer, then the
    // start of the player fails.
    rig.window.failAtPortCall = rig.window.PortCalls() + 6;
    EXPECT_THROW(rig.Advance(1000), std::runtime_error);
    ASSERT_EQ(rig.window.calls.back().rfind("StartBellPlayer", 0), 0u);
    rig.panel.Recover();
    ExpectQuietIdle(rig, "after the failed start");
    StartToAlarm(rig);  // the next run goes as usual
    EXPECT_TRUE(rig.window.BellSounding());
    EXPECT_TRUE(rig.window.ChimeSounding());
}

}  // namespace
}  // namespace ats::testing
