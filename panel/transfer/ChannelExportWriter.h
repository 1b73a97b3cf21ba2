#pragma once

#include "model/ChannelTable.h"
#include "model/UnitModel.h"
#include "protocol/FileOutput.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace qm {

class MessageBoxes;

// The settings file of a model that exports one, written as the window closes. It goes into
// the program's folder when the program may write there and the running user owns it, and
// otherwise, or when writing there fails, into the per-user data folder. When a write fails
// the operator is told which file and why, in a message and on the diagnostic line; an old
// file is replaced whole or left as it was, never cut short.
class ChannelExportWriter
{
public:
    using Diagnostic = std::function<void(const QString &line)>;

    // Without a file output nothing is written; an empty program folder sends the file
    // straight to the data folder.
    ChannelExportWriter(const UnitModel &model, FileOutput *output, QString programFolder,
                        QString dataFolder, MessageBoxes &messageBoxes, QString title,
                        Diagnostic diagnostic = {});

    // The file written; empty when the model exports nothing or no folder took the file.
    QString write(const ChannelTable &table);
    // Without the message, a failure is told on the diagnostic line only.
    void setMessagesShown(bool shown) { m_messagesShown = shown; }

private:
    bool mayWriteInto(const QString &folder, QStringList &failures) const;
    bool makeFolder(const QString &folder, QStringList &failures) const;
    QString writeInto(const QString &folder, const ChannelTable &table,
                      QStringList &failures) const;
    void tell(const QString &text) const;

    const UnitModel &m_model;
    FileOutput *m_output;
    QString m_programFolder;
    QString m_dataFolder;
    MessageBoxes &m_messageBoxes;
    QString m_title;
    Diagnostic m_diagnostic;
    bool m_messagesShown = true;
};

} // namespace qm
