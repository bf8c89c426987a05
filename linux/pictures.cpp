#include "pictures.h"

#include <QFile>
#include <QImage>
#include <array>
#include <cmath>

#include "picture_table.h"

namespace {

constexpr int kLargestRendering = 3;

}  // namespace

QPixmap LoadPicture(int bitmapId, qreal devicePixelRatio) {
    const ats::PictureInfo* picture = ats::FindPicture(bitmapId);
    if (picture == nullptr) return {};
    const QString base = QStringLiteral(":/res/") + QLatin1String(picture->stem);
    QImage original(base + QStringLiteral(".bmp"));
    if (original.isNull() || devicePixelRatio <= 1.0) return QPixmap::fromImage(original);

    // The rendering made for the next whole scale up, where one is built in.
    const int wanted = std::min(kLargestRendering, static_cast<int>(std::ceil(devicePixelRatio)));
    for (int scale = wanted; scale >= 2; --scale) {
        const QString larger = base + QStringLiteral("_%1x.png").arg(scale);
        if (!QFile::exists(larger)) continue;
        QImage image(larger);
        if (image.isNull()) continue;
        image.setDevicePixelRatio(static_cast<qreal>(image.width()) / original.width());
        return QPixmap::fromImage(image);
    }
    const QSize size(static_cast<int>(std::lround(original.width() * devicePixelRatio)),
                     static_cast<int>(std::lround(original.height() * devicePixelRatio)));
    QImage scaled = original.convertToFormat(QImage::Format_RGB32)
                        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(devicePixelRatio);
    return QPixmap::fromImage(scaled);
}

QString PictureDescription(int bitmapId) {
    const ats::PictureInfo* picture = ats::FindPicture(bitmapId);
    return picture == nullptr ? QString() : QString::fromUtf8(picture->accessibleName);
}
