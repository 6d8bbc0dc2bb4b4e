// Draws an SVG picture at a square size into a PNG file: the program's icon in the sizes
// that desktops look for, made at build time from the one drawing.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "Usage: quillmere-iconpng PICTURE.svg FILE.png SIZE\n");
        return 2;
    }
    const int size = std::atoi(argv[3]);
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid() || size <= 0 || size > 4096) {
        std::fprintf(stderr, "Cannot draw %s at %s pixels\n", argv[1], argv[3]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "Cannot create file %s\n", argv[2]);
        return 1;
    }
    return 0;
}
