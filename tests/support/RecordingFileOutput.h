#pragma once

#include "protocol/FileOutput.h"

#include <QMap>
#include <QStringList>

#include <functional>

namespace qm::test {

// Keeps whole-file writes in memory instead of on disk. A path can be refused with a reason,
// as a read-only folder or a full disk would; a refused write leaves the kept file as it was.
class RecordingFileOutput : public FileOutput
{
public:
    QMap<QString, QByteArray> files;
    QStringList attempts;
    // The reason a write to this path fails; empty lets it through.
    std::function<QString(const QString &path)> refusal;
    // Runs at each attempt, before its outcome.
    std::function<void(const QString &path)> onAttempt;

    WriteResult replaceWhole(const QString &path, const QByteArray &contents) override
    {
        attempts << path;
        if (onAttempt)
            onAttempt(path);
        const QString reason = refusal ? refusal(path) : QString();
        if (!reason.isEmpty())
            return {false, reason};
        files.insert(path, contents);
        return {true, {}};
    }
};

} // namespace qm::test
