#pragma once

#include "ChannelTable.h"
#include "FileOutput.h"
#include "UnitModel.h"

#include <QString>
#include <QStringList>

namespace qm {

class Notifier;

// The settings file of a model that exports one, written as the window closes. It goes into
// the program's folder when the program may write there, and otherwise, or when writing there
// fails, into the per-user data folder. When neither takes it the operator is told which file
// and why; an old file is replaced whole or left as it was, never cut short.
class SettingsFileWriter
{
public:
    // Without a file output nothing is written.
    SettingsFileWriter(const UnitModel &model, FileOutput *output, QString programFolder,
                       QString dataFolder, Notifier &notifier, QString title);

    // The file written; empty when the model exports nothing or no folder took the file.
    QString write(const ChannelTable &table);

private:
    bool isWritableFolder(const QString &folder, QStringList &failures) const;
    bool makeFolder(const QString &folder, QStringList &failures) const;
    QString writeInto(const QString &folder, const ChannelTable &table,
                      QStringList &failures) const;
    void tellFailure(const QStringList &failures) const;

    const UnitModel &m_model;
    FileOutput *m_output;
    QString m_programFolder;
    QString m_dataFolder;
    Notifier &m_notifier;
    QString m_title;
};

} // namespace qm
