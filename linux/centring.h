// Where a dialog opens: the core's placement rule on Qt's rectangles.
#ifndef ORVANE_LINUX_CENTRING_H
#define ORVANE_LINUX_CENTRING_H

#include <QRect>
#include <QScreen>
#include <QWidget>
#include <optional>

#include "placement.h"

// Centres the window over its owner's frame (or, with none, over its screen's work area) and
// keeps it whole on that work area. Qt's own placement guesses a window frame where none is
// known yet; this uses the real one.
inline void CentreOver(QWidget& window, const std::optional<QRect>& owner) {
    const auto toScreen = [](const QRect& r) {
        return ats::ScreenRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    };
    const QScreen* screen = window.screen();
    if (screen == nullptr) return;
    std::optional<ats::ScreenRect> around;
    if (owner) around = toScreen(*owner);
    const ats::ScreenRect placed = ats::CentredRect(toScreen(window.frameGeometry()), around,
                                                    toScreen(screen->availableGeometry()));
    window.move(placed.left, placed.top);
}

#endif
