// Where every edition's dialogs open (the core's placement.h) and the size the Windows
// program's icons take at a scale (the plain rule of shell/icon_size.h).
#include <gtest/gtest.h>

#include "placement.h"
#include "icon_size.h"

namespace {

using ats::CentredRect;
using ats::ScreenRect;

constexpr ScreenRect WORK_AREA{0, 0, 1024, 738};  // a 1024 x 768 screen above a taskbar
constexpr ScreenRect SECOND_MONITOR{1024, 0, 2944, 1040};

TEST(CentringTest, OverTheOwnerOrTheWorkAreaAndAlwaysWhollyOnIt) {
    const struct {
        const char* what;
        ScreenRect dialog;  // where it was made; only its size counts
        std::optional<ScreenRect> owner;
        ScreenRect workArea;
        ScreenRect expected;
    } cases[] = {
        // clang-format off
        {"over the owner",
         {0, 0, 300, 200}, ScreenRect{100, 100, 500, 400}, WORK_AREA, {150, 150, 450, 350}},
        {"odd differences round towards zero",
         {0, 0, 301, 201}, ScreenRect{100, 100, 500, 400}, WORK_AREA, {149, 149, 450, 350}},
        {"no owner: over the work area",
         {50, 60, 350, 260}, std::nullopt, WORK_AREA, {362, 269, 662, 469}},
        {"owner on another monitor",
         {0, 0, 300, 200}, ScreenRect{1500, 300, 2100, 700}, SECOND_MONITOR,
         {1650, 400, 1950, 600}},
        {"owner at the right edge: kept inside",
         {0, 0, 300, 200}, ScreenRect{900, 100, 1100, 300}, WORK_AREA, {724, 100, 1024, 300}},
        {"owner near the bottom: kept above the taskbar",
         {0, 0, 300, 200}, ScreenRect{100, 650, 300, 760}, WORK_AREA, {50, 538, 350, 738}},
        {"owner off the top left",
         {0, 0, 300, 200}, ScreenRect{-400, -300, 100, 50}, WORK_AREA, {0, 0, 300, 200}},
        {"larger than the work area: its top left corner",
         {0, 0, 1200, 900}, ScreenRect{100, 100, 500, 400}, WORK_AREA, {0, 0, 1200, 900}},
        {"work area not at the origin",
         {0, 0, 300, 200}, std::nullopt, ScreenRect{0, 40, 1024, 768}, {362, 304, 662, 504}},
        // clang-format on
    };
    for (const auto& c : cases) {
        const ScreenRect placed = CentredRect(c.dialog, c.owner, c.workArea);
        EXPECT_EQ(placed, c.expected) << c.what << ": " << placed.left << "," << placed.top << ","
                                      << placed.right << "," << placed.bottom;
    }
}

TEST(IconSizeTest, TheIconLoadedOnceAt96DpiElseTheSystemsSize) {
    const struct {
        int dpi, systemSize, expected;
    } cases[] = {
        // clang-format off
        {96, 32, 0},
        {96, 48, 0},  // at 96 DPI whatever the system says
        {120, 40, 40},
        {120, 20, 20},
        {144, 48, 48},
        {192, 64, 64},
        {72, 24, 24},  // below 100 % too
        {144, 0, 0},   // a size the system does not give: the icon loaded once
        {144, -1, 0},
        // clang-format on
    };
    for (const auto& c : cases)
        EXPECT_EQ(IconSizeAt(c.dpi, c.systemSize), c.expected) << c.dpi << " DPI, " << c.systemSize;
}

}  // namespace
