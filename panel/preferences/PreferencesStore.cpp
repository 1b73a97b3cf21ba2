#include "panel/preferences/PreferencesStore.h"

#include "panel/preferences/PreferenceKeys.h"
#include "panel/preferences/PreferencesFormat.h"

#include <QFile>

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

// The stored text as lines, without their ends; none when the file is there but unreadable.
std::optional<QList<QByteArray>> fileLines(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        return QList<QByteArray>();
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QList<QByteArray> lines = file.readAll().split('\n');
    for (QByteArray &line : lines)
        line = line.trimmed();
    return lines;
}

} // namespace

IniPreferencesStore::IniPreferencesStore(const QString &applicationName)
    : m_settings(preferencesFormat(), QSettings::UserScope,
                 QString::fromLatin1(prefkeys::Organization), applicationName),
      m_readProblem(findReadProblem())
{}

QString IniPreferencesStore::findReadProblem() const
{
    if (m_settings.status() == QSettings::AccessError)
        return QStringLiteral("%1 cannot be read").arg(fileName());
    if (m_settings.status() == QSettings::FormatError)
        return QStringLiteral("%1 is not a preferences file that can be read").arg(fileName());
    if (preferencesFormat() != QSettings::IniFormat)
        return {};
    const std::optional<QList<QByteArray>> lines = fileLines(fileName());
    if (!lines)
        return QStringLiteral("%1 cannot be read").arg(fileName());
    for (qsizetype index = 0; index < lines->size(); ++index) {
        if (leavesQuoteOpen(lines->at(index)))
            return QStringLiteral("%1, line %2: a quote is not closed")
                .arg(fileName())
                .arg(index + 1);
    }
    return {};
}

QString IniPreferencesStore::read(const QString &section, const QString &key,
                                  const QString &defaultValue) const
{
    return m_settings.value(fullKey(section, key), defaultValue).toString();
}

// Written at once, so a crash later in the run cannot lose the value.
QString IniPreferencesStore::write(const QString &section, const QString &key, const QString &value)
{
    if (!m_readProblem.isEmpty())
        return QStringLiteral("Preferences are not saved in this run: %1, and writing it would "
                              "lose what could not be read")
            .arg(m_readProblem);
    m_settings.setValue(fullKey(section, key), value);
    m_settings.sync();
    if (m_settings.status() == QSettings::NoError)
        return {};
    return QStringLiteral("Preferences are not saved: %1 cannot be written (is its folder "
                          "read-only, full, or not a folder?)")
        .arg(fileName());
}

QStringList IniPreferencesStore::keys(const QString &section) const
{
    m_settings.beginGroup(section);
    const QStringList result = m_settings.childKeys();
    m_settings.endGroup();
    return result;
}

// Read line by line, apart from QSettings, so that a line it swallowed is still seen.
std::optional<QStringList> IniPreferencesStore::namedKeys(const QString &section) const
{
    if (preferencesFormat() != QSettings::IniFormat)
        return keys(section);
    const std::optional<QList<QByteArray>> lines = fileLines(fileName());
    if (!lines || m_settings.status() == QSettings::AccessError)
        return std::nullopt;
    const QByteArray header = '[' + section.toUtf8() + ']';
    QStringList result;
    bool inSection = false;
    for (const QByteArray &line : *lines) {
        if (line.startsWith('['))
            inSection = line == header;
        else if (inSection && !line.startsWith(';') && line.contains('='))
            result << QString::fromUtf8(line.left(line.indexOf('=')).trimmed());
    }
    return result;
}

} // namespace qm
