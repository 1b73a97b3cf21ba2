#pragma once

#include <QByteArrayList>
#include <QDir>
#include <QFile>

#include <cstdio>

namespace qm::fuzz {

// A seed maker's main: writes each seed as a file "seed-<n>" into the one folder its command
// line names; 0 when all were written, 2 for bad usage, 1 when a file could not be.
inline int writeSeeds(int argc, char *argv[], const QByteArrayList &seeds)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    for (qsizetype i = 0; i < seeds.size(); ++i) {
        QFile file(folder.filePath(QStringLiteral("seed-%1").arg(i + 1)));
        if (!file.open(QIODevice::WriteOnly) || file.write(seeds[i]) < 0)
            return 1;
    }
    std::printf("%lld seeds in %s\n", static_cast<long long>(seeds.size()), argv[1]);
    return 0;
}

} // namespace qm::fuzz
