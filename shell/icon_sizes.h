// Which icons the caption shows at a display scale, in plain C++ (no Windows header).
#ifndef ORVANE_SHELL_ICON_SIZES_H
#define ORVANE_SHELL_ICON_SIZES_H

// The DPI at which the icon loaded once at start-up has the caption's sizes.
inline constexpr int ICON_BASE_DPI = 96;

// Pixel sizes of the caption's large and small icon; 0 stands for the icon loaded once.
struct CaptionIconSizes {
    int largeSize = 0;
    int smallSize = 0;
    friend bool operator==(const CaptionIconSizes&, const CaptionIconSizes&) = default;
};

// At 96 DPI the icon loaded once serves for both. At any other scale each is drawn at the size
// the system gives its icons at that DPI (largeMetric, smallMetric); a size the system does
// not give (0 or less) leaves that one to the icon loaded once.
inline CaptionIconSizes ChooseCaptionIcons(int dpi, int largeMetric, int smallMetric) {
    if (dpi == ICON_BASE_DPI) return {};
    return {largeMetric > 0 ? largeMetric : 0, smallMetric > 0 ? smallMetric : 0};
}

#endif
