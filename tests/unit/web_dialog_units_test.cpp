// Dialog units to pixels: the browser edition lays the window out from the template's dialog
// units at the Windows base units, the Linux edition at the base units of its own font.
#include <gtest/gtest.h>

#include "dialog_units.h"
#include "main_dialog.h"
#include "picture_scale.h"

namespace {

// 7 x 12 are the base units the template was drawn with: its two picture rectangles are the
// bitmaps' sizes, to the pixel that rounding to whole dialog units leaves.
TEST(WebDialogUnitsTest, TemplatePicturesAreTheirBitmapsAtTheBaseUnits) {
    struct Case {
        int controlId;
        int bitmapId;
    };
    for (const Case c : {Case{IDC_PANEL, IDB_PANEL_NORMAL}, Case{IDC_SIGNAL, IDB_SIGNAL_STOP}}) {
        const ats::ControlSpec* picture = nullptr;
        for (const ats::ControlSpec& control : ats::MAIN_CONTROLS)
            if (control.id == c.controlId) picture = &control;
        ASSERT_NE(picture, nullptr);
        const ats::PictureSize bitmap = ats::BitmapSize(c.bitmapId);
        EXPECT_NEAR(ats::HorizontalPixels(picture->rect.width), bitmap.width, 1) << c.controlId;
        EXPECT_NEAR(ats::VerticalPixels(picture->rect.height), bitmap.height, 1) << c.controlId;
    }
    // The client area, and Windows' rounding of halves away from zero.
    EXPECT_EQ(ats::HorizontalPixels(ats::MAIN_DIALOG_RECT.width), 383);  // 383.25
    EXPECT_EQ(ats::VerticalPixels(ats::MAIN_DIALOG_RECT.height), 275);   // 274.5
    EXPECT_EQ(ats::MulDiv(-3, 5, 2), -8);
    EXPECT_EQ(ats::MulDiv(1, 1, 0), -1);
}

}  // namespace
