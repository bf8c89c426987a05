#include "qt_dialog_units.h"

#include <QFontMetrics>

QFont DialogFont() {
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(ats::DialogFontPixels());
    font.setStyleHint(QFont::SansSerif);
    return font;
}

namespace {

ats::BaseUnits Measure(const QFont& font) {
    const QFontMetrics metrics(font);
    return ats::MeasuredBaseUnits(
        metrics.horizontalAdvance(QString::fromLatin1(ats::AVERAGE_WIDTH_SAMPLE)),
        metrics.height());
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) : m_base(Measure(font)) {}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
    const ats::DialogRect pixels = ats::ToPixels({x, y, width, height}, m_base);
    return QRect(pixels.x, pixels.y, pixels.width, pixels.height);
}

QSize DialogUnits::ToPixels(int width, int height) const {
    return ToPixels(0, 0, width, height).size();
}
