// quillmere-screengrab: saves what an X display shows (or one rectangle of it) as a PNG file.
// Used by scripts/screenshot, which runs the program under Xvfb.
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 6) {
        std::fprintf(stderr, "Usage: quillmere-screengrab OUT.png [X Y WIDTH HEIGHT]\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    const QPixmap shot = argc == 6 ? screen->grabWindow(0, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                                                        std::atoi(argv[5]))
                                   : screen->grabWindow(0);
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "Could not grab the screen into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
