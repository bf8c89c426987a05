// Writes the program icon as PNG files at the hicolor theme's sizes:
//   icon_sizes <icon.ico> <hicolor folder> <name> <size>...
// gives <hicolor folder>/<size>x<size>/apps/<name>.png. The 32x32 icon is pixel art: whole
// multiples keep its pixels sharp, smaller sizes are scaled smoothly.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr, "usage: icon_sizes <icon.ico> <hicolor folder> <name> <size>...\n");
        return 2;
    }
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    // The largest image in the icon file.
    QImage best;
    do {
        const QImage image = reader.read();
        if (!image.isNull() && image.width() > best.width()) best = image;
    } while (reader.jumpToNextImage());
    if (best.isNull()) {
        std::fprintf(stderr, "icon_sizes: cannot read %s\n", argv[1]);
        return 1;
    }
    best = best.convertToFormat(QImage::Format_ARGB32);
    const QString folder = QString::fromLocal8Bit(argv[2]);
    const QString name = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        if (size <= 0) return 2;
        const Qt::TransformationMode mode =
            size % best.width() == 0 ? Qt::FastTransformation : Qt::SmoothTransformation;
        const QImage scaled = best.scaled(size, size, Qt::IgnoreAspectRatio, mode);
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(dir) || !scaled.save(dir + QLatin1Char('/') + name + ".png")) {
            std::fprintf(stderr, "icon_sizes: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
