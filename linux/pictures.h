// The eight pictures of the signal head and the lamp panel, by bitmap id.
#ifndef ORVANE_LINUX_PICTURES_H
#define ORVANE_LINUX_PICTURES_H

#include <QImage>
#include <QPixmap>
#include <QString>

#include "picture_scale.h"

// The DPI a display scale stands for: round(96 x devicePixelRatio).
int DpiOfScale(qreal devicePixelRatio);

// The picture for a bitmap id at a display scale, drawn as the Windows program draws it at the
// same DPI: at 96 DPI the bitmap itself; otherwise the rendering ats::ChooseRenderingScale picks
// (the bitmap when that one cannot be read), brought by ats::Resample to ats::ScaleToDpi of the
// bitmap's size. Its device pixel ratio is the scale, so it takes the bitmap's place on screen
// pixel for pixel. A null pixmap for an unknown id.
QPixmap LoadPicture(int bitmapId, qreal devicePixelRatio);

// A stored picture (the bitmap, or its rendering at scale 2 or 3) as it is in the resources.
QImage StoredRendering(int bitmapId, int scale);

// Between Qt images and the shared pictures' pixels (0x00RRGGBB).
ats::Pixels ToPixels(const QImage& image);
QImage ToImage(const ats::Pixels& pixels);

// What the picture shows, for screen readers: 「信号: 注意」, 「警報表示灯: 点灯」...
QString PictureDescription(int bitmapId);

#endif
