// Every front end hands a click to the core by control id.
#include <gtest/gtest.h>

#include <functional>

#include "cycle_helpers.h"
#include "main_dialog.h"
#include "picture_table.h"

namespace ats::testing {
namespace {

struct Route {
    int controlId;
    std::function<bool(const AlarmRig&)> happened;
};

TEST(ControlClicks, ReachTheOperationTheControlStandsFor) {
    const auto inAlarm = [](AlarmRig& rig) {
        rig.SetOption(IDC_IGNORESIGNAL, true);
        rig.panel.OnStartStop();
    };
    const Route routes[] = {
        {IDC_START, [](const AlarmRig& r) { return r.panel.State() == STATE_ALARM; }},
        {IDC_BELL, [](const AlarmRig& r) { return r.window.RunningPlayers() == 1; }},
        {IDC_CHIME, [](const AlarmRig& r) { return r.window.ChimeSounding(); }},
        {IDC_ENDLESS, [](const AlarmRig& r) { return r.panel.Endless() == 1; }},
        {IDC_FULLAUTO, [](const AlarmRig& r) { return r.panel.FullAuto() == 1; }},
        {IDC_NOOVERLAP, [](const AlarmRig& r) { return r.panel.NoOverlap() == 1; }},
    };
    for (const Route& route : routes) {
        AlarmRig rig;
        rig.window.checkboxes = {true, true, true, true};  // the boxes as the click left them
        if (route.controlId == IDC_BELL || route.controlId == IDC_START)
            rig.window.checkboxes.noOverlap = false;
        EXPECT_TRUE(rig.panel.OnControlClicked(route.controlId)) << route.controlId;
        EXPECT_TRUE(route.happened(rig)) << route.controlId;
    }
    AlarmRig rig;
    inAlarm(rig);
    EXPECT_TRUE(rig.panel.OnControlClicked(IDC_CONFIRM));
    EXPECT_EQ(rig.panel.State(), STATE_CONFIRMED);
    EXPECT_TRUE(rig.panel.OnControlClicked(IDC_SUSTAIN));
    EXPECT_EQ(rig.panel.State(), STATE_IDLE);
    EXPECT_TRUE(rig.panel.OnControlClicked(IDC_IGNORESIGNAL));
}

TEST(ControlClicks, ExitPicturesAndUnknownIdsAreLeftToTheWindow) {
    for (const int controlId : {CONTROL_EXIT, IDC_PANEL, IDC_SIGNAL, IDC_VERSION, 0, -1}) {
        AlarmRig rig;
        EXPECT_FALSE(rig.panel.OnControlClicked(controlId)) << controlId;
        EXPECT_TRUE(rig.window.calls.empty()) << controlId;
    }
}

TEST(ControlTable, EveryClickableControlIsRoutedAndEveryPictureHasItsFirstPicture) {
    for (const ControlSpec& control : MAIN_CONTROLS) {
        AlarmRig rig;
        const bool routed = rig.panel.OnControlClicked(control.id);
        EXPECT_EQ(routed, control.kind != ControlKind::Picture && control.id != CONTROL_EXIT)
            << control.id;
        if (control.kind != ControlKind::Picture) continue;
        int shown = 0;
        for (const ShownPicture& first : FIRST_PICTURES)
            if (first.controlId == control.id) shown = first.bitmapId;
        EXPECT_NE(FindPicture(shown), nullptr) << control.id;
    }
    EXPECT_EQ(FindPicture(IDB_SIGNAL_STOP + 5), nullptr);
}

}  // namespace
}  // namespace ats::testing
