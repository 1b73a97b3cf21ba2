// Writes a panel's program icon, drawn by the same code as the window's own, for the desktop's
// menus and Windows programs: make-icon <410a|520a> <file>..., a scalable picture for a file
// ending in .svg and an image in the format its suffix names (.png, .ico) for any other, of 24
// pixels when its name ends in "-24" before the suffix and of 32 otherwise.

#include "model/UnitModel.h"
#include "panel/window/Pictures.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPixmap>
#include <QSaveFile>

#include <cstdio>

namespace {

// The 32-pixel icon to scale: the case's and the plate's outlines run through the middle of
// their edge pixels, a filled pixel is a unit square.
QByteArray scalableIcon(const qm::ModelPlate &plate)
{
    QString digits;
    for (const QPoint &pixel : plate.digitPixels)
        digits += QStringLiteral("M%1 %2h1v1h-1z").arg(pixel.x()).arg(pixel.y());
    const QRectF outline = QRectF(plate.area).adjusted(0.5, 0.5, -0.5, -0.5);
    return QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">
  <rect x="1.5" y="2.5" width="29" height="22" fill="#808080" stroke="#000000"/>
  <rect x="4" y="5" width="24" height="16" fill="#000080"/>
  <rect x="%1" y="%2" width="%3" height="%4" fill="%5" stroke="#000000"/>
  <path d="%6" fill="#ffffff"/>
  <circle cx="16" cy="13" r="6.5" fill="#ffffff" stroke="#000000"/>
  <g stroke="#800000" stroke-width="1.5" stroke-linecap="round">
    <line x1="16" y1="13" x2="16" y2="8.5"/>
    <line x1="16" y1="13" x2="19" y2="14.5"/>
  </g>
</svg>
)")
        .arg(outline.x())
        .arg(outline.y())
        .arg(outline.width())
        .arg(outline.height())
        .arg(plate.colour.name(), digits)
        .toUtf8();
}

bool writeIcon(const QString &fileName, const qm::UnitModel &model)
{
    if (!fileName.endsWith(QStringLiteral(".svg"))) {
        const bool small = QFileInfo(fileName).completeBaseName().endsWith(QStringLiteral("-24"));
        const QSize size = small ? qm::ProgramIconSmallSize : qm::ProgramIconSize;
        return qm::programIconPixmap(model, size.width()).save(fileName);
    }
    QSaveFile file(fileName);
    const QByteArray text = scalableIcon(qm::modelPlate(model, qm::ProgramIconSize.width()));
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawing needs a windowing system, but nothing is shown; a build machine may have none.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const auto model =
        argc > 2 ? qm::unitModelByName(QString::fromLocal8Bit(argv[1])) : std::nullopt;
    if (!model) {
        std::fputs("usage: make-icon <410a|520a> <file.png|file.ico|file.svg>...\n", stderr);
        return 2;
    }
    for (int index = 2; index < argc; ++index) {
        if (!writeIcon(QString::fromLocal8Bit(argv[index]), *model)) {
            std::fprintf(stderr, "make-icon: cannot write %s\n", argv[index]);
            return 1;
        }
    }
    return 0;
}
