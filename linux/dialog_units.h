// Dialog units to pixels, the way Windows lays out a dialog template: from the dialog font's
// average character width and height.
#ifndef ORVANE_LINUX_DIALOG_UNITS_H
#define ORVANE_LINUX_DIALOG_UNITS_H

#include <QFont>
#include <QRect>
#include <QSize>

// The Japanese UI font the dialogs ask for (IPA P Gothic stands in for it) at 9 points, sized
// as Windows sizes it at 96 dots per inch; Qt scales the whole window for larger displays.
QFont DialogFont();

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    // Average width of "A".."Z" "a".."z" rounded, and the font's height, in pixels.
    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

    QRect ToPixels(int x, int y, int width, int height) const;
    QSize ToPixels(int width, int height) const;

private:
    int m_baseX;
    int m_baseY;
};

// a * b / c rounded half away from zero, as Windows' MulDiv.
int MulDiv(int a, int b, int c);

#endif
