// Writes the program icon as PNG files at the hicolor theme's sizes:
//   icon_sizes <icon.ico> <hicolor folder> <name> <size>...
// gives <hicolor folder>/<size>x<size>/apps/<name>.png, from the icon's own image of that size
// where it has one.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <cstdio>
#include <map>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc < 5) {
        std::fprintf(stderr, "usage: icon_sizes <icon.ico> <hicolor folder> <name> <size>...\n");
        return 2;
    }
    // Every image in the icon file, by width.
    QImageReader reader(QString::fromLocal8Bit(argv[1]));
    std::map<int, QImage> images;
    do {
        const QImage image = reader.read();
        if (!image.isNull()) images[image.width()] = image.convertToFormat(QImage::Format_ARGB32);
    } while (reader.jumpToNextImage());
    if (images.empty()) {
        std::fprintf(stderr, "icon_sizes: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString folder = QString::fromLocal8Bit(argv[2]);
    const QString name = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        if (size <= 0) return 2;
        // The image drawn for this size, else the largest one scaled: pixel art stays sharp at
        // whole multiples, other sizes are scaled smoothly.
        const auto exact = images.find(size);
        const QImage& source = exact != images.end() ? exact->second : images.rbegin()->second;
        const Qt::TransformationMode mode =
            size % source.width() == 0 ? Qt::FastTransformation : Qt::SmoothTransformation;
        const QImage scaled = source.scaled(size, size, Qt::IgnoreAspectRatio, mode);
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        if (!QDir().mkpath(dir) || !scaled.save(dir + QLatin1Char('/') + name + ".png")) {
            std::fprintf(stderr, "icon_sizes: cannot write %s\n", qPrintable(dir));
            return 1;
        }
    }
    return 0;
}
