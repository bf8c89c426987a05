// The browser edition's adapter on the build machine: the page's imports are recorded here,
// so the port's translation (option bits, captions, wave names, the bell as a second sound
// and its wait) and the dialog-unit constants are checked without a browser.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "alarm_panel.h"
#include "dialog_units.h"
#include "main_dialog.h"
#include "picture_scale.h"
#include "port_imports.h"
#include "web_alarm_window.h"

namespace {

std::vector<std::string> g_calls;
int g_optionBits = 0;

void Record(std::string call) { g_calls.push_back(std::move(call)); }

}  // namespace

extern "C" {
void orvane_page_set_timer(int timerId, int ms) {
    Record("set " + std::to_string(timerId) + " " + std::to_string(ms));
}
void orvane_page_kill_timer(int timerId) { Record("kill " + std::to_string(timerId)); }
void orvane_page_show_bitmap(int controlId, int bitmapId) {
    Record("show " + std::to_string(controlId) + " " + std::to_string(bitmapId));
}
void orvane_page_set_start_caption(const char* utf8, int length) {
    Record("caption " + std::string(utf8, static_cast<std::size_t>(length)));
}
int orvane_page_read_options() { return g_optionBits; }
void orvane_page_play_wave_loop(const char* fileName, int length) {
    Record("play " + std::string(fileName, static_cast<std::size_t>(length)));
}
void orvane_page_stop_wave() { Record("stop wave"); }
void orvane_page_start_bell_player() { Record("start bell"); }
void orvane_page_quit_bell_player() { Record("quit bell"); }
void orvane_page_wait(int ms) { Record("wait " + std::to_string(ms)); }
}

namespace {

class WebAdapterTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        g_optionBits = 0;
    }
    web::WebAlarmWindow window;
    ats::AlarmPanel panel{window};
};

TEST_F(WebAdapterTest, OptionBitsReachTheirOwnOption) {
    struct Case {
        int bits;
        ats::OptionStates expected;
    };
    const Case cases[] = {
        {0, {false, false, false, false}},
        {web::OPTION_ENDLESS, {true, false, false, false}},
        {web::OPTION_FULL_AUTO, {false, true, false, false}},
        {web::OPTION_IGNORE_SIGNAL, {false, false, true, false}},
        {web::OPTION_NO_OVERLAP, {false, false, false, true}},
        {15, {true, true, true, true}},
    };
    for (const Case& c : cases) {
        g_optionBits = c.bits;
        const ats::OptionStates got = window.ReadOptions();
        EXPECT_EQ(got.endless, c.expected.endless) << c.bits;
        EXPECT_EQ(got.fullAuto, c.expected.fullAuto) << c.bits;
        EXPECT_EQ(got.ignoreSignal, c.expected.ignoreSignal) << c.bits;
        EXPECT_EQ(got.noOverlap, c.expected.noOverlap) << c.bits;
    }
}

// The alarm with the signal ignored: the page hears the bell start, the wait the chime must
// follow, then the chime by its bare name and the caption in UTF-8.
TEST_F(WebAdapterTest, AlarmReachesThePageInTheCoresOrder) {
    g_optionBits = web::OPTION_IGNORE_SIGNAL;
    panel.InitDialog();
    ASSERT_TRUE(panel.OnControlClicked(IDC_START));
    const std::vector<std::string> expected = {"caption 停止", "show 1007 131",
                                               "quit bell",    "start bell",
                                               "wait 100",     "play atschime.wav"};
    EXPECT_EQ(g_calls, expected);

    g_calls.clear();
    panel.ExitCleanup();
    EXPECT_EQ(g_calls, (std::vector<std::string>{"quit bell", "stop wave"}));
}

TEST_F(WebAdapterTest, NoOverlapBellIsTheProgramsOwnWave) {
    g_optionBits = web::OPTION_NO_OVERLAP;
    ASSERT_TRUE(panel.OnControlClicked(IDC_BELL));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"play atsbell.wav"}));
}

// 7 x 12 are the base units the template was drawn with: its two picture rectangles are the
// bitmaps' sizes, to the pixel that rounding to whole dialog units leaves.
TEST(WebDialogUnitsTest, TemplatePicturesAreTheirBitmapsAtTheBaseUnits) {
    struct Case {
        int controlId;
        int bitmapId;
    };
    for (const Case c : {Case{IDC_PANEL, IDB_PANEL_NORMAL}, Case{IDC_SIGNAL, IDB_SIGNAL_STOP}}) {
        const ats::ControlSpec* spec = nullptr;
        for (const ats::ControlSpec& control : ats::MAIN_CONTROLS)
            if (control.id == c.controlId) spec = &control;
        ASSERT_NE(spec, nullptr);
        const ats::PictureSize bitmap = ats::BitmapSize(c.bitmapId);
        EXPECT_NEAR(web::HorizontalPixels(spec->rect.width), bitmap.width, 1) << c.controlId;
        EXPECT_NEAR(web::VerticalPixels(spec->rect.height), bitmap.height, 1) << c.controlId;
    }
    // The client area, and Windows' rounding of halves away from zero.
    EXPECT_EQ(web::HorizontalPixels(ats::MAIN_DIALOG_RECT.width), 383);  // 383.25
    EXPECT_EQ(web::VerticalPixels(ats::MAIN_DIALOG_RECT.height), 275);   // 274.5
    EXPECT_EQ(web::MulDiv(-3, 5, 2), -8);
    EXPECT_EQ(web::MulDiv(1, 1, 0), -1);
}

}  // namespace
