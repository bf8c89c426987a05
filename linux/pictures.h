// The eight pictures of the signal head and the lamp panel, by bitmap id.
#ifndef ORVANE_LINUX_PICTURES_H
#define ORVANE_LINUX_PICTURES_H

#include <QPixmap>
#include <QString>

// The picture for a bitmap id drawn for a display scale: a larger rendering (name_2x.png,
// name_3x.png) when one is built in, else the 1x bitmap scaled smoothly. A null pixmap for an
// unknown id.
QPixmap LoadPicture(int bitmapId, qreal devicePixelRatio);

// What the picture shows, for screen readers: 「信号: 注意」, 「警報表示灯: 点灯」...
QString PictureDescription(int bitmapId);

#endif
