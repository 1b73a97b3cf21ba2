#pragma once

#include <QByteArray>
#include <QFile>

namespace qm::test {

// Small file and byte helpers the tests share; a file that cannot be read reads as empty.

inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

// Frames as the tests spell them: "0800fa", spaces allowed.
inline QByteArray hex(const char *digits)
{
    return QByteArray::fromHex(digits);
}

} // namespace qm::test
