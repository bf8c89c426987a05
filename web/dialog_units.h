// Dialog units to CSS pixels, as Windows lays out the dialog template at 100 % (96 DPI).
#ifndef ORVANE_WEB_DIALOG_UNITS_H
#define ORVANE_WEB_DIALOG_UNITS_H

#include <cstdint>

namespace web {

// The dialog base units Windows gives the template's font, "ＭＳ Ｐゴシック" at 9 points on a
// 96 DPI display (a 12 px font): the average width of "A".."Z" "a".."z" rounded by the dialog
// manager's rule, (width / 26 + 1) / 2 = 7, and the font's height, 12. The template itself
// shows them: its picture rectangles (86 x 67 and 18 x 43 units) are the 150 x 100 and
// 32 x 64 pixel bitmaps measured in these units. (Wine, with IPA P Gothic standing in for
// the font, measures 7 x 13; the page takes the Windows figures, so its layout never depends
// on the fonts at hand.)
inline constexpr int BASE_UNIT_X = 7;
inline constexpr int BASE_UNIT_Y = 12;
inline constexpr int HORIZONTAL_UNITS_PER_CHAR = 4;
inline constexpr int VERTICAL_UNITS_PER_CHAR = 8;

// a * b / c rounded half away from zero, as Windows' MulDiv.
constexpr int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t divisor = c < 0 ? -static_cast<std::int64_t>(c) : c;
    const std::int64_t magnitude = ((product < 0 ? -product : product) + divisor / 2) / divisor;
    return static_cast<int>((product < 0) != (c < 0) ? -magnitude : magnitude);
}

constexpr int HorizontalPixels(int units) {
    return MulDiv(units, BASE_UNIT_X, HORIZONTAL_UNITS_PER_CHAR);
}
constexpr int VerticalPixels(int units) {
    return MulDiv(units, BASE_UNIT_Y, VERTICAL_UNITS_PER_CHAR);
}

}  // namespace web

#endif
