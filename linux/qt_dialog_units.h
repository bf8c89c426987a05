// Dialog units to pixels for the Linux edition's widgets: the core's rule (dialog_units.h in
// alarm/) on the base units of the font at hand.
#ifndef ORVANE_LINUX_QT_DIALOG_UNITS_H
#define ORVANE_LINUX_QT_DIALOG_UNITS_H

#include <QFont>
#include <QRect>
#include <QSize>

#include "dialog_units.h"

// The Japanese UI font the dialogs ask for (IPA P Gothic stands in for it) at 9 points, sized
// as Windows sizes it at 96 dots per inch; Qt scales the whole window for larger displays.
QFont DialogFont();

using ats::MulDiv;

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    // Average width of "A".."Z" "a".."z" rounded, and the font's height, in pixels.
    int BaseX() const { return m_base.x; }
    int BaseY() const { return m_base.y; }

    QRect ToPixels(int x, int y, int width, int height) const;
    QSize ToPixels(int width, int height) const;

private:
    ats::BaseUnits m_base;
};

#endif
