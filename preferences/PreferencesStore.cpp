#include "preferences/PreferencesStore.h"

#include "preferences/PreferenceKeys.h"
#include "preferences/PreferencesFormat.h"

#include "process/UntrustedFile.h"

namespace qm {

namespace {

QString fullKey(const QString &section, const QString &key)
{
    return section + u'/' + key;
}

// An INI value's quote that is not closed on its line makes QSettings read on through the
// following lines as part of that value, without reporting an error.
bool leavesQuoteOpen(QByteArrayView line)
{
    bool open = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '\\')
            ++i;
        else if (line[i] == '"')
            open = !open;
    }
    return open;
}

// The stored text as lines, without their ends, or why it cannot be read; no lines and no
// problem when there is no file yet.
struct FileLines
{
    QList<QByteArray> lines;
    QString problem;
};

FileLines fileLines(const QString &path)
{
    const UntrustedFile file = readUntrustedFile(path);
    if (file.missing)
        return {};
    if (!file.problem.isEmpty())
        return {{}, QStringLiteral("%1 %2").arg(path, file.problem)};
    QList<QByteArray> lines = file.contents.split('\n');
    for (QByteArray &line : lines)
        line = line.trimmed();
    return {lines, {}};
}

// Where QSettings keeps the INI file of an application, found without reading it: in the
// folder named after the organization, beside that organization's own file (which QSettings
// reads anyway, as the fallback for every application).
QString iniFileName(const QString &applicationName)
{
    const QSettings organization(QSettings::IniFormat, QSettings::UserScope,
                                 QString::fromLatin1(prefkeys::Organization));
    QString path = organization.fileName();
    path.chop(QStringLiteral(".ini").size());
    return path + u'/' + applicationName + QStringLiteral(".ini");
}

} // namespace

// QSettings reads its file whole and blocks on a named pipe: the file is checked first, and one
// that is not a regular file of sane size is never given to it.
IniPreferencesStore::IniPreferencesStore(const QString &applicationName)
{
    FileLines file;
    if (preferencesFormat() == QSettings::IniFormat) {
        m_fileName = iniFileName(applicationName);
        file = fileLines(m_fileName);
        m_readProblem = file.problem;
        if (!m_readProblem.isEmpty())
            return;
    }
    m_settings.emplace(preferencesFormat(), QSettings::UserScope,
                       QString::fromLatin1(prefkeys::Organization), applicationName);
    if (m_fileName.isEmpty())
        m_fileName = m_settings->fileName();
    m_readProblem = findReadProblem(file.lines);
}

QString IniPreferencesStore::findReadProblem(const QList<QByteArray> &lines) const
{
    if (m_settings->status() == QSettings::AccessError)
        return QStringLiteral("%1 cannot be read").arg(fileName());
    if (m_settings->status() == QSettings::FormatError)
        return QStringLiteral("%1 is not a preferences file that can be read").arg(fileName());
    for (qsizetype index = 0; index < lines.size(); ++index) {
        if (leavesQuoteOpen(lines[index]))
            return QStringLiteral("%1, line %2: a quote is not closed")
                .arg(fileName())
                .arg(index + 1);
    }
    return {};
}

QString IniPreferencesStore::read(const QString &section, const QString &key,
                                  const QString &defaultValue) const
{
    if (!m_settings)
        return defaultValue;
    return m_settings->value(fullKey(section, key), defaultValue).toString();
}

// Written at once, so a crash later in the run cannot lose the value.
QString IniPreferencesStore::write(const QString &section, const QString &key, const QString &value)
{
    if (!m_readProblem.isEmpty())
        return QStringLiteral("Preferences are not saved in this run: %1; the file is left as "
                              "it is, so that nothing it holds is lost")
            .arg(m_readProblem);
    m_settings->setValue(fullKey(section, key), value);
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError)
        return {};
    return QStringLiteral("Preferences are not saved: %1 cannot be written (is its folder "
                          "read-only, full, or not a folder?)")
        .arg(fileName());
}

QStringList IniPreferencesStore::keys(const QString &section) const
{
    if (!m_settings)
        return {};
    m_settings->beginGroup(section);
    const QStringList result = m_settings->childKeys();
    m_settings->endGroup();
    return result;
}

// Read line by line, apart from QSettings, so that a line it swallowed is still seen.
std::optional<QStringList> IniPreferencesStore::namedKeys(const QString &section) const
{
    if (preferencesFormat() != QSettings::IniFormat)
        return keys(section);
    const FileLines file = fileLines(fileName());
    if (!m_settings || !file.problem.isEmpty() || m_settings->status() == QSettings::AccessError)
        return std::nullopt;
    const QByteArray header = '[' + section.toUtf8() + ']';
    QStringList result;
    bool inSection = false;
    for (const QByteArray &line : file.lines) {
        if (line.startsWith('['))
            inSection = line == header;
        else if (inSection && !line.startsWith(';') && line.contains('='))
            result << QString::fromUtf8(line.left(line.indexOf('=')).trimmed());
    }
    return result;
}

} // namespace qm
