// Dialog units to pixels, the way Windows lays out a dialog template: from the dialog font's
// average character width and its height (the dialog base units).
#ifndef ORVANE_ALARM_DIALOG_UNITS_H
#define ORVANE_ALARM_DIALOG_UNITS_H

#include <cstdint>

#include "dialog_layout.h"
#include "picture_scale.h"

namespace ats {

// A rectangle in dialog units, or in pixels once converted.
struct DialogRect {
    int x, y, width, height;
};

struct BaseUnits {
    int x;  // pixels per 4 horizontal dialog units
    int y;  // pixels per 8 vertical dialog units
};

inline constexpr int HORIZONTAL_UNITS_PER_CHAR = 4;
inline constexpr int VERTICAL_UNITS_PER_CHAR = 8;
inline constexpr int POINTS_PER_INCH = 72;
// "A".."Z" and "a".."z": the text whose width gives the average character width.
inline constexpr const char* AVERAGE_WIDTH_SAMPLE =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
inline constexpr int AVERAGE_WIDTH_SAMPLE_LENGTH = 52;

// a * b / c rounded half away from zero, as Windows' MulDiv; -1 for a division by zero.
constexpr int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t divisor = c < 0 ? -static_cast<std::int64_t>(c) : c;
    const std::int64_t magnitude = ((product < 0 ? -product : product) + divisor / 2) / divisor;
    return static_cast<int>((product < 0) != (c < 0) ? -magnitude : magnitude);
}

// The dialog font's height in pixels at 96 DPI: DLG_FONT_POINTS points.
constexpr int DialogFontPixels() { return MulDiv(DLG_FONT_POINTS, BASE_DPI, POINTS_PER_INCH); }

// The base units of a font whose AVERAGE_WIDTH_SAMPLE is sampleWidth pixels wide and whose
// height is fontHeight, by the dialog manager's rounding: (width / 26 + 1) / 2.
constexpr BaseUnits MeasuredBaseUnits(int sampleWidth, int fontHeight) {
    return {(sampleWidth / (AVERAGE_WIDTH_SAMPLE_LENGTH / 2) + 1) / 2, fontHeight};
}

// The base units Windows gives the template's font, "ＭＳ Ｐゴシック" at 9 points on a 96 DPI
// display (a 12 px font): 7 x 12. The template itself shows them: its picture rectangles
// (86 x 67 and 18 x 43 units) are the 150 x 100 and 32 x 64 pixel bitmaps measured in these
// units. (Wine, with IPA P Gothic standing in for the font, measures 7 x 13; the browser
// edition takes the Windows figures, so its layout never depends on the fonts at hand.)
inline constexpr BaseUnits WINDOWS_BASE_UNITS{7, 12};

constexpr int HorizontalPixels(int units, BaseUnits base = WINDOWS_BASE_UNITS) {
    return MulDiv(units, base.x, HORIZONTAL_UNITS_PER_CHAR);
}
constexpr int VerticalPixels(int units, BaseUnits base = WINDOWS_BASE_UNITS) {
    return MulDiv(units, base.y, VERTICAL_UNITS_PER_CHAR);
}
constexpr DialogRect ToPixels(const DialogRect& units, BaseUnits base = WINDOWS_BASE_UNITS) {
    return {HorizontalPixels(units.x, base), VerticalPixels(units.y, base),
            HorizontalPixels(units.width, base), VerticalPixels(units.height, base)};
}

}  // namespace ats

#endif
