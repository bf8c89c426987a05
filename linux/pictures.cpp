#include "pictures.h"

#include <cmath>

#include "picture_table.h"

int DpiOfScale(qreal devicePixelRatio) {
    return static_cast<int>(std::lround(ats::BASE_DPI * devicePixelRatio));
}

QImage StoredRendering(int bitmapId, int scale) {
    const ats::PictureInfo* picture = ats::FindPicture(bitmapId);
    if (picture == nullptr) return {};
    const QString stem = QStringLiteral(":/res/") + QLatin1String(picture->stem);
    return QImage(scale == 1 ? stem + QStringLiteral(".bmp")
                             : stem + QStringLiteral("_%1x.png").arg(scale));
}

ats::Pixels ToPixels(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    ats::Pixels pixels{rgb.width(), rgb.height(), {}};
    pixels.rgb.reserve(static_cast<std::size_t>(rgb.width()) * rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) pixels.rgb.push_back(row[x] & 0x00FFFFFF);
    }
    return pixels;
}

QImage ToImage(const ats::Pixels& pixels) {
    QImage image(pixels.width, pixels.height, QImage::Format_RGB32);
    for (int y = 0; y < pixels.height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < pixels.width; ++x) {
            row[x] = 0xFF000000 | pixels.rgb[static_cast<std::size_t>(y) * pixels.width + x];
        }
    }
    return image;
}

QPixmap LoadPicture(int bitmapId, qreal devicePixelRatio) {
    const ats::Picture picture =
        ats::PictureAtDpi(bitmapId, DpiOfScale(devicePixelRatio), [bitmapId](int scale) {
            const QImage stored = StoredRendering(bitmapId, scale);
            return stored.isNull() ? std::nullopt : std::optional(ToPixels(stored));
        });
    if (picture.pixels.rgb.empty()) return {};
    QImage image = ToImage(picture.pixels);
    // The bitmap itself, unscaled, is shown one pixel for each of the screen's.
    if (!(picture.stored && picture.renderingScale == 1))
        image.setDevicePixelRatio(devicePixelRatio);
    return QPixmap::fromImage(image);
}

QString PictureDescription(int bitmapId) {
    const ats::PictureInfo* picture = ats::FindPicture(bitmapId);
    return picture == nullptr ? QString() : QString::fromUtf8(picture->accessibleName);
}
