#include "panel/transfer/ChannelExportWriter.h"

#include "panel/transfer/ExportFolder.h"
#include "panel/window/MessageBoxes.h"
#include "protocol/SettingsTxt.h"

#include <QDir>
#include <QFileInfo>

namespace qm {

namespace {

QString exportPath(const QString &folder)
{
    return QDir(folder).filePath(QLatin1String(ExportFileName));
}

} // namespace

ChannelExportWriter::ChannelExportWriter(const UnitModel &model, FileOutput *output,
                                         QString programFolder, QString dataFolder,
                                         MessageBoxes &messageBoxes, QString title,
                                         Diagnostic diagnostic)
    : m_model(model), m_output(output), m_programFolder(std::move(programFolder)),
      m_dataFolder(std::move(dataFolder)), m_messageBoxes(messageBoxes), m_title(std::move(title)),
      m_diagnostic(std::move(diagnostic))
{}

QString ChannelExportWriter::write(const ChannelTable &table)
{
    if (!m_model.exportsSettings() || !m_output)
        return {};
    QStringList failures;
    bool writeFailed = false;
    if (mayWriteInto(m_programFolder, failures)) {
        const QString path = writeInto(m_programFolder, table, failures);
        if (!path.isEmpty())
            return path;
        writeFailed = true;
    }
    if (makeFolder(m_dataFolder, failures)) {
        const QString path = writeInto(m_dataFolder, table, failures);
        if (!path.isEmpty()) {
            // A file left beside the program would now be older than the one in use; the
            // operator must know which one holds this run's settings.
            if (writeFailed)
                tell(
                    QStringLiteral("The channel settings were saved to %1 instead.\n\n").arg(path) +
                    failures.join(u'\n'));
            return path;
        }
    }
    tell(QStringLiteral("The channel settings could not be saved.\n\n") + failures.join(u'\n'));
    return {};
}

// An administrator passes the access check everywhere, so a failing write falls back too.
bool ChannelExportWriter::mayWriteInto(const QString &folder, QStringList &failures) const
{
    if (folder.isEmpty())
        return false;
    const QFileInfo info(folder);
    if (!info.isDir() || !info.isWritable()) {
        failures << QStringLiteral("%1: the folder cannot be written to").arg(exportPath(folder));
        return false;
    }
    if (ownedByRunningUser(info))
        return true;
    failures << QStringLiteral("%1: the folder belongs to another user").arg(exportPath(folder));
    return false;
}

bool ChannelExportWriter::makeFolder(const QString &folder, QStringList &failures) const
{
    if (folder.isEmpty())
        return false;
    if (QDir().mkpath(folder))
        return true;
    failures << QStringLiteral("%1: the folder cannot be created").arg(exportPath(folder));
    return false;
}

QString ChannelExportWriter::writeInto(const QString &folder, const ChannelTable &table,
                                       QStringList &failures) const
{
    const QString path = exportPath(folder);
    const WriteResult result = exportSettings(m_model, table, path, *m_output);
    if (result.ok)
        return path;
    failures << QStringLiteral("%1: %2").arg(path, result.error);
    return {};
}

void ChannelExportWriter::tell(const QString &text) const
{
    if (m_diagnostic)
        m_diagnostic(QString(text)
                         .replace(QLatin1String("\n\n"), QLatin1String(" "))
                         .replace(u'\n', QLatin1String("; ")));
    if (m_messagesShown)
        m_messageBoxes.warn(m_title, text);
}

} // namespace qm
