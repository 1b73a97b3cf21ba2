// Writes the panels' program icon, drawn by the same code as the window's own, to a PNG file
// for the desktop's menus or an ICO file for Windows programs: make-icon <file.png|file.ico>

#include "panel/window/Pictures.h"

#include <QGuiApplication>
#include <QPixmap>

#include <cstdio>

int main(int argc, char *argv[])
{
    // Drawing needs a windowing system, but nothing is shown; a build machine may have none.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: make-icon <file.png|file.ico>\n", stderr);
        return 2;
    }
    if (!qm::programIconPixmap().save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "make-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
