// The size rule, the choice of rendering and the resampling behind the pictures at the
// display's scale.
#include "picture_scale.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "alarm_ids.h"

namespace ats {
namespace {

std::uint32_t Grey(int v) { return static_cast<std::uint32_t>(v * 0x010101); }

Pixels Row(std::initializer_list<std::uint32_t> values) {
    return {static_cast<int>(values.size()), 1, values};
}

TEST(PictureSizeTest, BitmapsHaveTheirSizesAndOtherIdsNone) {
    for (int id = IDB_PANEL_NORMAL; id <= IDB_PANEL_ALARM; ++id)
        EXPECT_EQ(BitmapSize(id), (PictureSize{150, 100})) << id;
    for (int id = IDB_SIGNAL_STOP; id <= IDB_SIGNAL_PROCEED; ++id)
        EXPECT_EQ(BitmapSize(id), (PictureSize{32, 64})) << id;
    EXPECT_EQ(BitmapSize(128), PictureSize{});
    EXPECT_EQ(BitmapSize(137), PictureSize{});
}

TEST(PictureSizeTest, SizeIsRoundedFromTheDpi) {
    // 100 %, 125 %, 150 %, 175 %, 200 %, 300 % and a scale below 100 %.
    EXPECT_EQ(ScaleToDpi(PictureSize{150, 100}, 96), (PictureSize{150, 100}));
    EXPECT_EQ(ScaleToDpi(PictureSize{150, 100}, 120), (PictureSize{188, 125}));  // 187.5 up
    EXPECT_EQ(ScaleToDpi(PictureSize{150, 100}, 144), (PictureSize{225, 150}));
    EXPECT_EQ(ScaleToDpi(PictureSize{150, 100}, 168), (PictureSize{263, 175}));  // 262.5 up
    EXPECT_EQ(ScaleToDpi(PictureSize{32, 64}, 144), (PictureSize{48, 96}));
    EXPECT_EQ(ScaleToDpi(PictureSize{32, 64}, 192), (PictureSize{64, 128}));
    EXPECT_EQ(ScaleToDpi(PictureSize{32, 64}, 288), (PictureSize{96, 192}));
    EXPECT_EQ(ScaleToDpi(PictureSize{150, 100}, 72), (PictureSize{113, 75}));  // 112.5 up
    EXPECT_EQ(ScaleToDpi(PictureSize{32, 64}, 110), (PictureSize{37, 73}));    // 36.7, 73.3
}

TEST(PictureSizeTest, TinyOrBadValuesNeverGiveAnEmptyPictureOrOverflow) {
    struct Case {
        int pixels, dpi, expected;
    };
    // Around the halves below 2: 0.49 and 0.5 of a pixel, 1.49 and 1.5, 0.24 and 0.25.
    for (const Case c : {Case{1, 10, 1}, Case{1, 47, 1}, Case{1, 48, 1}, Case{1, 143, 1},
                         Case{1, 144, 2}, Case{2, 23, 1}, Case{2, 24, 1}, Case{3, 16, 1},
                         Case{150, 1, 2}, Case{150, 0, 0}, Case{0, 144, 0}, Case{-5, 144, 0}, Case{5, -96, 0},
                         Case{150, 96 * 100000, 15000000}}) {
        EXPECT_EQ(ScaleToDpi(c.pixels, c.dpi), c.expected) << c.pixels << " at " << c.dpi;
    }
}

TEST(RenderingChoiceTest, BitmapUpTo96DpiThenTheSmallestLargeEnoughRendering) {
    EXPECT_EQ(ChooseRenderingScale(72), 1);
    EXPECT_EQ(ChooseRenderingScale(96), 1);
    EXPECT_EQ(ChooseRenderingScale(97), 2);  // reduce the 2x rather than enlarge the bitmap
    EXPECT_EQ(ChooseRenderingScale(120), 2);
    EXPECT_EQ(ChooseRenderingScale(144), 2);
    EXPECT_EQ(ChooseRenderingScale(192), 2);  // shown as drawn
    EXPECT_EQ(ChooseRenderingScale(193), 3);
    EXPECT_EQ(ChooseRenderingScale(240), 3);
    EXPECT_EQ(ChooseRenderingScale(288), 3);
    EXPECT_EQ(ChooseRenderingScale(384), 3);  // none larger: the largest, enlarged
}

TEST(RenderingChoiceTest, RenderingNeverSmallerThanThePictureUpToTheLargest) {
    for (int dpi = 97; dpi <= 3 * BASE_DPI; ++dpi) {
        const int scale = ChooseRenderingScale(dpi);
        const PictureSize needed = ScaleToDpi(BitmapSize(IDB_PANEL_NORMAL), dpi);
        EXPECT_GE(150 * scale, needed.width) << dpi;
        EXPECT_GE(100 * scale, needed.height) << dpi;
        // ...and no larger one is taken where a smaller would do.
        if (scale > 2) {
            EXPECT_LT(150 * (scale - 1), needed.width) << dpi;
        }
    }
}

TEST(RenderingChoiceTest, RenderingIdsFollowTheResourceScript) {
    EXPECT_EQ(RenderingId(IDB_PANEL_NORMAL, 2), 2129);
    EXPECT_EQ(RenderingId(IDB_SIGNAL_PROCEED, 3), 3136);
}

TEST(PicturePlanTest, EachPictureAtEachDpiHasItsSourceAndSize) {
    constexpr PicturePlan AS_IS{};
    const struct {
        int bitmapId;
        int dpi;
        PicturePlan plan;
    } cases[] = {
        {IDB_PANEL_NORMAL, 96, AS_IS},
        {IDB_SIGNAL_PROCEED, 96, AS_IS},
        {IDB_PANEL_ALARM, 0, AS_IS},  // the scale is unknown
        {IDB_PANEL_ALARM, -96, AS_IS},
        {128, 144, AS_IS},  // no picture of the panel or the signal
        {137, 192, AS_IS},
        {IDB_PANEL_DARK, 72, {false, 1, {113, 75}}},  // below 100 %: the bitmap, reduced
        {IDB_SIGNAL_STOP, 97, {false, 2, {32, 65}}},
        {IDB_PANEL_NORMAL, 120, {false, 2, {188, 125}}},
        {IDB_SIGNAL_CAUTION, 144, {false, 2, {48, 96}}},
        {IDB_PANEL_ALARM, 192, {false, 2, {300, 200}}},
        {IDB_SIGNAL_RESTRICT, 193, {false, 3, {64, 129}}},
        {IDB_PANEL_NORMAL, 288, {false, 3, {450, 300}}},
        {IDB_SIGNAL_PROCEED, 384, {false, 3, {128, 256}}},  // the largest, enlarged
    };
    for (const auto& c : cases) {
        const PicturePlan plan = PlanPicture(c.bitmapId, c.dpi);
        EXPECT_EQ(plan, c.plan) << "bitmap " << c.bitmapId << " at " << c.dpi
                                << " DPI: " << plan.asIs << " " << plan.renderingScale << " "
                                << plan.size.width << "x" << plan.size.height;
    }
}

TEST(ResampleTest, SameSizeGivesTheSamePixels) {
    const Pixels in{2, 2, {0x102030, 0xFF0000, 0x00FF00, 0x0000FF}};
    const Pixels out = Resample(in, 2, 2);
    EXPECT_EQ(out.rgb, in.rgb);
}

TEST(ResampleTest, HalvingAveragesPairsChannelByChannel) {
    const Pixels out = Resample(Row({Grey(0), Grey(100), 0xC80000, 0x003200}), 2, 1);
    ASSERT_EQ(out.width, 2);
    EXPECT_EQ(out.rgb[0], Grey(50));
    EXPECT_EQ(out.rgb[1], 0x641900u);  // red 200 and green 50, each halved, no blue
}

TEST(ResampleTest, TwoThirdsWeighsTheSharedPixelByHalf) {
    // Three pixels into two: each new pixel is one whole pixel and half the middle one.
    const Pixels out = Resample(Row({Grey(0), Grey(90), Grey(180)}), 2, 1);
    EXPECT_EQ(out.rgb[0], Grey(30));   // (0 + 45) / 1.5
    EXPECT_EQ(out.rgb[1], Grey(150));  // (45 + 180) / 1.5
}

TEST(ResampleTest, ReducingInTwoDimensionsAveragesTheBlock) {
    const Pixels in{
        3, 3, {Grey(9), Grey(9), Grey(9), Grey(9), Grey(0), Grey(9), Grey(9), Grey(9), Grey(9)}};
    const Pixels out = Resample(in, 1, 1);
    EXPECT_EQ(out.rgb[0], Grey(8));
}

TEST(ResampleTest, EnlargingInterpolatesAndKeepsTheEdges) {
    const Pixels out = Resample(Row({Grey(0), Grey(100)}), 4, 1);
    ASSERT_EQ(out.rgb.size(), 4u);
    EXPECT_EQ(out.rgb[0], Grey(0));
    EXPECT_EQ(out.rgb[1], Grey(25));
    EXPECT_EQ(out.rgb[2], Grey(75));
    EXPECT_EQ(out.rgb[3], Grey(100));
}

TEST(ResampleTest, FlatColourStaysFlatAtAnySize) {
    const Pixels in{6, 4, std::vector<std::uint32_t>(24, 0x2E7C7E)};
    for (auto [w, h] : {std::pair{4, 3}, {5, 3}, {9, 6}, {1, 1}, {13, 7}}) {
        const Pixels out = Resample(in, w, h);
        ASSERT_EQ(out.rgb.size(), static_cast<size_t>(w * h));
        for (std::uint32_t p : out.rgb) EXPECT_EQ(p, 0x2E7C7Eu) << w << "x" << h;
    }
}

TEST(ResampleTest, ALitSpotStaysInItsPlace) {
    // A 2x2 bright spot at (10, 6) of a 20x12 picture lands at (7 or 8, 4 or 5) at 3/4 size.
    Pixels in{20, 12, std::vector<std::uint32_t>(240, 0)};
    for (int y : {6, 7})
        for (int x : {10, 11}) in.rgb[static_cast<size_t>(y * 20 + x)] = 0xFF0000;
    const Pixels out = Resample(in, 15, 9);
    int brightest = 0;
    for (int i = 1; i < 15 * 9; ++i)
        if (out.rgb[static_cast<size_t>(i)] > out.rgb[static_cast<size_t>(brightest)])
            brightest = i;
    EXPECT_NEAR(brightest % 15, 8, 1);
    EXPECT_NEAR(brightest / 15, 5, 1);
    for (std::uint32_t p : out.rgb) EXPECT_EQ(p & 0x00FFFF, 0u);  // red only, no bleed
}

TEST(ResampleTest, ASinglePixelSpreadsOverAnySize) {
    for (const auto& [width, height] : {std::pair{1, 1}, std::pair{3, 1}, std::pair{1, 4}}) {
        const Pixels out = Resample(Pixels{1, 1, {0x123456}}, width, height);
        ASSERT_EQ(out.width, width);
        ASSERT_EQ(out.height, height);
        for (const std::uint32_t p : out.rgb) EXPECT_EQ(p, 0x123456u);
    }
}

TEST(ResampleTest, MalformedInputGivesAnEmptyImage) {
    struct Case {
        Pixels source;
        int width, height;
    };
    for (const Case& c : {Case{Pixels{3, 3, {1, 2}}, 2, 2}, Case{Row({1, 2}), 0, 5},
                          Case{Row({1, 2}), 5, 0}, Case{Row({1, 2}), -1, 1},
                          Case{Pixels{0, 1, {}}, 2, 2}, Case{Pixels{1, 0, {}}, 2, 2}}) {
        const Pixels out = Resample(c.source, c.width, c.height);
        EXPECT_EQ(out.width, 0);  // an empty image says so in its size too
        EXPECT_EQ(out.height, 0);
        EXPECT_TRUE(out.rgb.empty());
    }
}

// One call gives the picture to show: which stored rendering, its size and its pixels, with
// the bitmap itself standing in for a rendering that cannot be read.
TEST(PictureAtDpiTest, ChoosesReadsFallsBackAndScales) {
    const struct {
        const char* what;
        int bitmapId, dpi;
        std::vector<int> held;  // the scales the edition can read
        int expectedScale;
        PictureSize expectedSize;
        bool stored;
        std::vector<int> asked;
    } cases[] = {
        {"96 DPI: the bitmap", IDB_SIGNAL_STOP, 96, {1, 2, 3}, 1, {32, 64}, true, {1}},
        {"unknown DPI", IDB_SIGNAL_STOP, 0, {1, 3}, 1, {32, 64}, true, {1}},
        {"144 DPI from 2x", IDB_SIGNAL_STOP, 144, {1, 2, 3}, 2, {48, 96}, false, {2}},
        {"192 DPI: 2x as it is", IDB_PANEL_ALARM, 192, {1, 2}, 2, {300, 200}, true, {2}},
        {"2x missing: bitmap", IDB_SIGNAL_STOP, 144, {1}, 1, {48, 96}, false, {2, 1}},
        {"120 DPI from 2x", IDB_PANEL_NORMAL, 120, {1, 2}, 2, {188, 125}, false, {2}},
        {"72 DPI from bitmap", IDB_PANEL_NORMAL, 72, {1}, 1, {113, 75}, false, {1}},
        {"nothing readable", IDB_SIGNAL_STOP, 144, {}, 0, {0, 0}, false, {2, 1}},
    };
    for (const auto& c : cases) {
        std::vector<int> asked;
        const PictureSize base = BitmapSize(c.bitmapId);
        const Picture picture = PictureAtDpi(c.bitmapId, c.dpi, [&](int scale) {
            asked.push_back(scale);
            std::optional<Pixels> pixels;
            if (std::find(c.held.begin(), c.held.end(), scale) != c.held.end()) {
                const int w = base.width * scale, h = base.height * scale;
                pixels = Pixels{w, h, std::vector<std::uint32_t>(std::size_t(w) * h, Grey(scale))};
            }
            return pixels;
        });
        EXPECT_EQ(picture.renderingScale, c.expectedScale) << c.what;
        EXPECT_EQ(picture.size, c.expectedSize) << c.what;
        EXPECT_EQ(picture.stored, c.stored) << c.what;
        EXPECT_EQ(asked, c.asked) << c.what;
        EXPECT_EQ(picture.pixels.width, c.expectedSize.width) << c.what;
        EXPECT_EQ(picture.pixels.rgb.size(),
                  std::size_t(c.expectedSize.width) * c.expectedSize.height) << c.what;
        if (!picture.pixels.rgb.empty()) {  // a flat rendering stays flat through resampling
            EXPECT_EQ(picture.pixels.rgb.front(), Grey(c.expectedScale)) << c.what;
        }
    }
}

}  // namespace
}  // namespace ats
