#include "pictures.h"

#include <QFile>
#include <QImage>
#include <array>
#include <cmath>

#include "alarm_ids.h"

namespace {

struct Picture {
    int id;
    const char* file;  // in the resource folder :/res
    const char* description;
};

// The lamp panel has the indicator lamp (表示灯) on the left and the alarm lamp (警報表示灯) on
// the right; the signal head shows one of five aspects.
constexpr std::array<Picture, 8> kPictures{{
    {IDB_PANEL_NORMAL, "panel_normal", "表示灯: 点灯、警報表示灯: 消灯"},
    {IDB_PANEL_DARK, "panel_dark", "表示灯: 消灯、警報表示灯: 消灯"},
    {IDB_PANEL_ALARM, "panel_alarm", "表示灯: 消灯、警報表示灯: 点灯"},
    {IDB_SIGNAL_STOP, "signal_stop", "信号: 停止"},
    {IDB_SIGNAL_RESTRICT, "signal_restrict", "信号: 警戒"},
    {IDB_SIGNAL_CAUTION, "signal_caution", "信号: 注意"},
    {IDB_SIGNAL_REDUCE, "signal_reduce", "信号: 減速"},
    {IDB_SIGNAL_PROCEED, "signal_proceed", "信号: 進行"},
}};

constexpr int kLargestRendering = 3;

const Picture* Find(int bitmapId) {
    for (const Picture& picture : kPictures) {
        if (picture.id == bitmapId) return &picture;
    }
    return nullptr;
}

}  // namespace

QPixmap LoadPicture(int bitmapId, qreal devicePixelRatio) {
    const Picture* picture = Find(bitmapId);
    if (picture == nullptr) return {};
    const QString base = QStringLiteral(":/res/") + QLatin1String(picture->file);
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
    const Picture* picture = Find(bitmapId);
    return picture == nullptr ? QString() : QString::fromUtf8(picture->description);
}
