#include <gtest/gtest.h>

#include "fake_alarm_window.h"

namespace ats::testing {
namespace {

TEST(PanelRecord, StartsIdleSilentWithAllOptionsOffAndSeedsTheRandomSourceOnce) {
    AlarmRig rig;
    const AlarmPanel& p = rig.panel;
    EXPECT_EQ(p.m_nState, Idle);
    EXPECT_EQ(p.m_nBell, 0);
    EXPECT_EQ(p.m_nChime, 0);
    EXPECT_EQ(p.m_nBlink, 0);
    EXPECT_EQ(p.m_nAspect, 0);
    EXPECT_EQ(p.m_nDelay, 0);
    EXPECT_EQ(p.m_nBellArg, 0);
    EXPECT_EQ(p.m_bEndless + p.m_bFullAuto + p.m_bIgnoreSignal + p.m_bNoOverlap, 0);
    EXPECT_EQ(rig.window.seedCount, 1);
    EXPECT_TRUE(rig.window.Silent());
}

TEST(PanelRecord, InitialisationClearsFlagsStateAndOptionsLeftFromBefore) {
    AlarmRig rig;
    rig.window.checkboxes = {true, true, true, true};
    rig.panel.OnOptionClicked();
    rig.panel.m_nBell = rig.panel.m_nChime = 1;
    rig.panel.m_nState = Confirmed;
    rig.panel.InitDialog();
    const AlarmPanel& p = rig.panel;
    for (const int field : {p.m_nBell, p.m_nChime, p.m_nState, p.m_bEndless, p.m_bFullAuto,
                            p.m_bIgnoreSignal, p.m_bNoOverlap}) {
        EXPECT_EQ(field, 0);
    }
}

TEST(PanelRecord, ClickingOneOptionRefreshesAllFour) {
    AlarmRig rig;
    rig.window.checkboxes = {true, true, true, false};  // changed without the core seeing it
    rig.SetOption(IDC_NOOVERLAP, true);
    EXPECT_EQ(rig.panel.m_bEndless, 1);
    EXPECT_EQ(rig.panel.m_bFullAuto, 1);
    EXPECT_EQ(rig.panel.m_bIgnoreSignal, 1);
    EXPECT_EQ(rig.panel.m_bNoOverlap, 1);
    rig.window.checkboxes = {};
    rig.ClickOption(IDC_FULLAUTO);
    EXPECT_EQ(rig.panel.m_bEndless, 0);
    EXPECT_EQ(rig.panel.m_bFullAuto, 1);
    EXPECT_EQ(rig.panel.m_bIgnoreSignal, 0);
    EXPECT_EQ(rig.panel.m_bNoOverlap, 0);
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
    rig.panel.m_nAspect = 2;
    rig.panel.ShowAspect(GetParam().k);
    EXPECT_EQ(rig.window.Shown(IDC_SIGNAL), GetParam().bitmap);
    EXPECT_EQ(rig.panel.m_nAspect, GetParam().aspectAfter);
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
    EXPECT_EQ(rig.panel.m_nBlink, 0);
}

TEST(StepPanel, FromPhaseOneTheAlarmLampBlinks) {
    AlarmRig rig;
    rig.panel.m_nBlink = 1;
    std::vector<int> shown;
    for (int i = 0; i < 3; ++i) {
        rig.panel.StepPanel();
        shown.push_back(*rig.window.Shown(IDC_PANEL));
    }
    EXPECT_EQ(shown, (std::vector<int>{IDB_PANEL_ALARM, IDB_PANEL_DARK, IDB_PANEL_ALARM}));
    EXPECT_EQ(rig.panel.m_nBlink, 2);
}

}  // namespace
}  // namespace ats::testing
