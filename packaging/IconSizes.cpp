// Draws the program's icon (the 32x32 picture the tray and the windows show)
// at the icon theme's sizes: OUT_DIR/<N>x<N>/apps/<NAME>.png for each N.
// Enlargements repeat whole pixels so the small drawing stays sharp; sizes
// between the whole multiples are smoothed down from the next one up.
#include <QCoreApplication>
#include <QDir>
#include <QImage>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // image plugins (ICO)
    if (argc < 5) {
        std::fprintf(stderr, "usage: icon_sizes ICON OUT_DIR NAME SIZE...\n");
        return 2;
    }
    const QImage source = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_ARGB32);
    if (source.isNull() || source.width() != source.height()) {
        std::fprintf(stderr, "icon_sizes: %s: not a square picture\n", argv[1]);
        return 1;
    }
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    const QString name = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        const int size = QString::fromLatin1(argv[i]).toInt();
        if (size <= 0) {
            std::fprintf(stderr, "icon_sizes: not a size: %s\n", argv[i]);
            return 2;
        }
        const int whole = (size + source.width() - 1) / source.width() * source.width();
        QImage image = source.scaled(whole, whole, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (whole != size) image = image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
        if (!QDir().mkpath(folder) || !image.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"), "PNG")) {
            std::fprintf(stderr, "icon_sizes: cannot write into %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
