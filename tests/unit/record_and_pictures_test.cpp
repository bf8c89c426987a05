#include <gtest/gtest.h>

#include "cycle_helpers.h"
#include "fake_alarm_window.h"

namespace ats::testing {
namespace {

TEST(PanelRecord, StartsIdleSilentWithAllOptionsOffAndSeedsTheRandomSourceOnce) {
    AlarmRig rig;
    const AlarmPanel& p = rig.panel;
    EXPECT_EQ(p.State(), STATE_IDLE);
    EXPECT_EQ(p.Bell(), 0);
    EXPECT_EQ(p.Chime(), 0);
    EXPECT_EQ(p.Blink(), 0);
    EXPECT_EQ(p.Aspect(), 0);
    EXPECT_EQ(p.Delay(), 0);
    EXPECT_EQ(p.BellArg(), 0);
    EXPECT_EQ(p.Endless() + p.FullAuto() + p.IgnoreSignal() + p.NoOverlap(), 0);
    EXPECT_EQ(rig.window.seedCount, 1);
    EXPECT_TRUE(rig.window.Silent());
}

TEST(PanelRecord, InitialisationClearsFlagsStateAndOptionsLeftFromBefore) {
    AlarmRig rig;
    rig.window.checkboxes = {true, true, true, false};
    rig.panel.OnStartStop();  // ignore signal: the alarm at once, bell and chime on
    rig.SetOption(IDC_NOOVERLAP, true);
    ASSERT_EQ(rig.panel.State(), STATE_ALARM);
    ASSERT_EQ(rig.panel.Bell() + rig.panel.Chime(), 2);
    rig.panel.InitDialog();
    const AlarmPanel& p = rig.panel;
    for (const int field : {p.Bell(), p.Chime(), p.State(), p.Endless(), p.FullAuto(),
                            p.IgnoreSignal(), p.NoOverlap()}) {
        EXPECT_EQ(field, 0);
    }
}

TEST(PanelRecord, ClickingOneOptionRefreshesAllFour) {
    AlarmRig rig;
    rig.window.checkboxes = {true, true, true, false};  // changed without the core seeing it
    rig.SetOption(IDC_NOOVERLAP, true);
    EXPECT_EQ(rig.panel.Endless(), 1);
    EXPECT_EQ(rig.panel.FullAuto(), 1);
    EXPECT_EQ(rig.panel.IgnoreSignal(), 1);
    EXPECT_EQ(rig.panel.NoOverlap(), 1);
    rig.window.checkboxes = {};
    rig.ClickOption(IDC_FULLAUTO);
    EXPECT_EQ(rig.panel.Endless(), 0);
    EXPECT_EQ(rig.panel.FullAuto(), 1);
    EXPECT_EQ(rig.panel.IgnoreSignal(), 0);
    EXPECT_EQ(rig.panel.NoOverlap(), 0);
}

TEST(PanelRecord, AnOptionClickChangesNothingElse) {
    AlarmRig rig;
    rig.ClickOption(IDC_ENDLESS);
    const std::vector<std::string> only{"ReadOptions"};
    EXPECT_EQ(rig.window.calls, only);
}

struct AspectCase {
    int k;
    int bitmap;
    int aspectAfter;
};

class ShowAspectTest : public ::testing::TestWithParam<AspectCase> {};

TEST_P(ShowAspectTest, ShowsTheBitmapOfTheAspect) {
    AlarmRig rig;
    StartAt(rig, ASPECT_CAUTION);
    ASSERT_EQ(rig.panel.Aspect(), 2);
    rig.panel.ShowAspect(GetParam().k);
    EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), GetParam().bitmap);
    EXPECT_EQ(rig.panel.Aspect(), GetParam().aspectAfter);
}

INSTANTIATE_TEST_SUITE_P(
    EveryAspect, ShowAspectTest,
    ::testing::Values(AspectCase{0, IDB_SIGNAL_STOP, 2},  // the caller keeps m_nAspect itself
                      AspectCase{1, IDB_SIGNAL_RESTRICT, 2}, AspectCase{2, IDB_SIGNAL_CAUTION, 2},
                      AspectCase{3, IDB_SIGNAL_REDUCE, 2},
                      AspectCase{4, IDB_SIGNAL_PROCEED, 4},  // anything above reduce is proceed
                      AspectCase{5, IDB_SIGNAL_PROCEED, 4}, AspectCase{-1, IDB_SIGNAL_PROCEED, 4}));

TEST(StepPanel, PhaseZeroShowsTheNormalPanelAndStaysZero) {
    AlarmRig rig;
    rig.panel.StepPanel();
    rig.panel.StepPanel();
    EXPECT_EQ(rig.window.Shown(IDC_PANEL), IDB_PANEL_NORMAL);
    EXPECT_EQ(rig.panel.Blink(), 0);
}

TEST(StepPanel, FromPhaseOneTheAlarmLampBlinks) {
    AlarmRig rig;
    rig.panel.RaiseAlarm();  // phase one, stepped once
    std::vector<int> shown{*rig.window.Shown(IDC_PANEL)};
    for (int i = 0; i < 2; ++i) {
        rig.panel.StepPanel();
        shown.push_back(*rig.window.Shown(IDC_PANEL));
    }
    EXPECT_EQ(shown, (std::vector<int>{IDB_PANEL_ALARM, IDB_PANEL_DARK, IDB_PANEL_ALARM}));
    EXPECT_EQ(rig.panel.Blink(), 2);
}

}  // namespace
}  // namespace ats::testing
