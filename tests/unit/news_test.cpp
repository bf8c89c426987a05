// What the core tells its window for a screen reader, and whether a run goes on by itself:
// the decisions the front ends take from the core instead of working them out.
#include <gtest/gtest.h>

#include "cycle_helpers.h"

namespace ats::testing {
namespace {

using News = std::vector<std::string>;

TEST(WindowNews, EachAspectChangeAndTheAlarmsStartAndEndOnce) {
    const struct {
        const char* what;
        std::function<void(AlarmRig&)> run;
        News expected;
    } cases[] = {
        {"a cycle: blinks and the confirm's redraws are not news",
         [](AlarmRig& rig) {
             StartAt(rig, ASPECT_CAUTION);
             ASSERT_TRUE(RunUntilState(rig, STATE_ALARM));
             for (int blink = 0; blink < 3; ++blink) rig.panel.OnTimer(TIMER_BLINK);
             rig.panel.OnConfirmButton();
             rig.panel.OnTimer(TIMER_BLINK);
             rig.panel.OnSustainButton();
         },
         {"aspect 2", "aspect 1", "aspect 0", "alarm on", "alarm off"}},
        {"stop in the alarm ends it; stop at stop is no news",
         [](AlarmRig& rig) {
             rig.SetOption(IDC_IGNORESIGNAL, true);
             rig.panel.OnStartStop();
             rig.panel.OnStartStop();
         },
         {"alarm on", "alarm off"}},
        {"stop in the approach shows stop again",
         [](AlarmRig& rig) {
             StartAt(rig, ASPECT_PROCEED);
             rig.panel.OnStartStop();
         },
         {"aspect 4", "aspect 0"}},
        {"recovery ends the alarm",
         [](AlarmRig& rig) {
             rig.SetOption(IDC_IGNORESIGNAL, true);
             rig.panel.OnStartStop();
             rig.panel.Recover();
         },
         {"alarm on", "alarm off"}},
    };
    for (const auto& c : cases) {
        AlarmRig rig;
        c.run(rig);
        EXPECT_EQ(rig.window.news, c.expected) << c.what;
    }
}

TEST(RunsUnattended, OnlyARunUnderWayWithEndlessOrFullAuto) {
    const struct {
        bool endless, fullAuto, start;
        bool expected;
    } cases[] = {
        {false, false, true, false}, {true, false, true, true}, {false, true, true, true},
        {true, true, true, true},    {true, true, false, false},
    };
    for (const auto& c : cases) {
        AlarmRig rig;
        rig.SetOption(IDC_ENDLESS, c.endless);
        rig.SetOption(IDC_FULLAUTO, c.fullAuto);
        if (c.start) StartAt(rig, ASPECT_PROCEED);
        EXPECT_EQ(rig.panel.RunsUnattended(), c.expected)
            << c.endless << c.fullAuto << c.start;
    }
    // Endless in the gap between runs: idle, so nobody is needed until the restart.
    AlarmRig rig;
    RunToTheEndlessGap(rig);
    EXPECT_FALSE(rig.panel.RunsUnattended());
}

}  // namespace
}  // namespace ats::testing
