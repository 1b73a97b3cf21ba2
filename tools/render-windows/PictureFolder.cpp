#include "PictureFolder.h"

#include <QImage>
#include <QImageWriter>
#include <QPixmap>
#include <QSet>
#include <QTextStream>
#include <QWidget>

#include <algorithm>

namespace qm {

namespace {

constexpr int StrongestCompression = 0; // Qt's PNG quality: 0 packs hardest
constexpr qsizetype PaletteSize = 256;

// Window pictures use few colours; a palette holding exactly those keeps every pixel as drawn.
QImage withPaletteIfItFits(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> colours;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            colours.insert(line[x]);
            if (colours.size() > PaletteSize)
                return rgb;
        }
    }
    // Sorted, so that the same picture always gives the same file.
    QList<QRgb> table(colours.cbegin(), colours.cend());
    std::sort(table.begin(), table.end());
    return rgb.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
}

} // namespace

bool PictureFolder::save(QWidget &widget, const QString &fileName) const
{
    return save(widget.grab().toImage(), fileName);
}

bool PictureFolder::save(const QImage &picture, const QString &fileName) const
{
    const QString path = m_dir.filePath(fileName);
    QImageWriter writer(path, "png");
    writer.setQuality(StrongestCompression);
    if (!writer.write(withPaletteIfItFits(picture)))
        return false;
    QTextStream(stdout) << path << '\n';
    return true;
}

} // namespace qm
