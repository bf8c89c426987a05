// Where a dialog opens: centred on an area, frame included, as Windows centres a dialog.
#ifndef ORVANE_LINUX_CENTRING_H
#define ORVANE_LINUX_CENTRING_H

#include <QRect>
#include <QWidget>

// Qt's own placement guesses a window frame where none is known yet; this uses the real one.
inline void CentreOver(QWidget& window, const QRect& area) {
    const QRect frame = window.frameGeometry();
    window.move(area.x() + (area.width() - frame.width()) / 2,
                area.y() + (area.height() - frame.height()) / 2);
}

#endif
