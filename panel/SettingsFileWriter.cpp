#include "SettingsFileWriter.h"

#include "Notifier.h"
#include "SettingsExport.h"

#include <QDir>
#include <QFileInfo>

namespace qm {

namespace {

QString exportPath(const QString &folder)
{
    return QDir(folder).filePath(QLatin1String(ExportFileName));
}

} // namespace

SettingsFileWriter::SettingsFileWriter(const UnitModel &model, FileOutput *output,
                                       QString programFolder, QString dataFolder,
                                       Notifier &notifier, QString title)
    : m_model(model), m_output(output), m_programFolder(std::move(programFolder)),
      m_dataFolder(std::move(dataFolder)), m_notifier(notifier), m_title(std::move(title))
{}

QString SettingsFileWriter::write(const ChannelTable &table)
{
    if (!m_model.exportsSettings() || !m_output)
        return {};
    QStringList failures;
    if (isWritableFolder(m_programFolder, failures)) {
        const QString path = writeInto(m_programFolder, table, failures);
        if (!path.isEmpty())
            return path;
    }
    if (makeFolder(m_dataFolder, failures)) {
        const QString path = writeInto(m_dataFolder, table, failures);
        if (!path.isEmpty())
            return path;
    }
    tellFailure(failures);
    return {};
}

// The access check says no for an installed program's folder that belongs to another user;
// an administrator passes it everywhere, so a failing write falls back as well.
bool SettingsFileWriter::isWritableFolder(const QString &folder, QStringList &failures) const
{
    if (folder.isEmpty())
        return false;
    if (QFileInfo(folder).isWritable())
        return true;
    failures << QStringLiteral("%1: the folder cannot be written to").arg(exportPath(folder));
    return false;
}

bool SettingsFileWriter::makeFolder(const QString &folder, QStringList &failures) const
{
    if (folder.isEmpty())
        return false;
    if (QDir().mkpath(folder))
        return true;
    failures << QStringLiteral("%1: the folder cannot be created").arg(exportPath(folder));
    return false;
}

QString SettingsFileWriter::writeInto(const QString &folder, const ChannelTable &table,
                                      QStringList &failures) const
{
    const QString path = exportPath(folder);
    const WriteResult result = exportSettings(m_model, table, path, *m_output);
    if (result.ok)
        return path;
    failures << QStringLiteral("%1: %2").arg(path, result.error);
    return {};
}

void SettingsFileWriter::tellFailure(const QStringList &failures) const
{
    m_notifier.tell(m_title, QStringLiteral("The channel settings could not be saved.\n\n") +
                                 failures.join(u'\n'));
}

} // namespace qm
