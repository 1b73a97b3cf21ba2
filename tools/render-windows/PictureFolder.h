#pragma once

#include <QDir>
#include <QString>

class QImage;
class QWidget;

namespace qm {

// Where the rendered pictures go: small PNG files (a palette of 256 colours, strongest
// compression), each path printed once written.
class PictureFolder
{
public:
    explicit PictureFolder(const QString &path) : m_dir(path) {}

    bool save(QWidget &widget, const QString &fileName) const;
    bool save(const QImage &picture, const QString &fileName) const;

private:
    QDir m_dir;
};

} // namespace qm
