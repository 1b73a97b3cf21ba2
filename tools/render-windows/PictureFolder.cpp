#include "tools/render-windows/PictureFolder.h"

#include <QHash>
#include <QImage>
#include <QImageWriter>
#include <QPixmap>
#include <QTextStream>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace qm {

namespace {

constexpr int StrongestCompression = 0; // Qt's PNG quality: 0 packs hardest
constexpr qsizetype PaletteSize = 256;

// A window picture holds a few hundred colours, most of them in a few pixels each at the
// smoothed edges of letters. A palette of the most used ones keeps every area and line exact
// and gives those rare shades their nearest neighbour, which no reader sees.
QList<QRgb> mostUsedColours(const QImage &rgb)
{
    QHash<QRgb, int> uses;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            ++uses[line[x]];
    }
    std::vector<std::pair<int, QRgb>> byUse;
    for (auto it = uses.cbegin(); it != uses.cend(); ++it)
        byUse.emplace_back(-it.value(), it.key());
    // Ties go by colour, so that the same picture always gives the same file.
    std::sort(byUse.begin(), byUse.end());
    QList<QRgb> table;
    for (std::size_t i = 0; i < byUse.size() && table.size() < PaletteSize; ++i)
        table << byUse[i].second;
    return table;
}

QImage withPalette(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    return rgb.convertToFormat(QImage::Format_Indexed8, mostUsedColours(rgb), Qt::ThresholdDither);
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
    if (!writer.write(withPalette(picture)))
        return false;
    QTextStream(stdout) << path << '\n';
    return true;
}

} // namespace qm
