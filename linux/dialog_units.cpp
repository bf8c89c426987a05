#include "dialog_units.h"

#include <QFontMetrics>
#include <cstdint>
#include <cstdlib>

#include "dialog_layout.h"

namespace {

constexpr int kWindowsDpi = 96;
constexpr int kPointsPerInch = 72;
constexpr int kAlphabetLength = 52;  // "A".."Z" and "a".."z"
constexpr int kHorizontalUnitsPerChar = 4;
constexpr int kVerticalUnitsPerChar = 8;

}  // namespace

QFont DialogFont() {
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(MulDiv(DLG_FONT_POINTS, kWindowsDpi, kPointsPerInch));
    font.setStyleHint(QFont::SansSerif);
    return font;
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;  // as Windows answers a division by zero
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t divisor = std::llabs(c);
    const std::int64_t magnitude = (std::llabs(product) + divisor / 2) / divisor;
    return static_cast<int>((product < 0) != (c < 0) ? -magnitude : magnitude);
}

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int alphabetWidth = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = (alphabetWidth / (kAlphabetLength / 2) + 1) / 2;
    m_baseY = metrics.height();
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
    return QRect(MulDiv(x, m_baseX, kHorizontalUnitsPerChar),
                 MulDiv(y, m_baseY, kVerticalUnitsPerChar),
                 MulDiv(width, m_baseX, kHorizontalUnitsPerChar),
                 MulDiv(height, m_baseY, kVerticalUnitsPerChar));
}

QSize DialogUnits::ToPixels(int width, int height) const {
    return ToPixels(0, 0, width, height).size();
}
