#include "preferences/PreferencesStore.h"

#include "preferences/PreferenceKeys.h"
#include "preferences/PreferencesFormat.h"

#include "process/UntrustedFile.h"

#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>

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

// A line that gives a key: not a comment, not a section's name, and with an equals sign.
bool isKeyLine(QByteArrayView line)
{
    return !line.startsWith(';') && !line.startsWith('#') && !line.startsWith('[') &&
           line.contains('=');
}

QByteArray keyOf(QByteArrayView line)
{
    return line.first(line.indexOf('=')).trimmed().toByteArray();
}

// Keys a reader may take for one another: "COM1", "com1" and "COM01" name the same port.
QString keyIdentity(QByteArrayView key)
{
    static const QRegularExpression leadingZeros(QStringLiteral("0+(?=[0-9])"));
    return QString::fromUtf8(key).toLower().replace(leadingZeros, QString());
}

// The line giving a key that an earlier line of the same section gives already ("COM1 =" after
// "COM1="): the reader would keep only one of them, and writing back would lose the other.
QString repeatedKeyProblem(const QList<QByteArray> &lines)
{
    QByteArray section;
    QHash<QString, qsizetype> seen; // section and key, to the index of its line
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const QByteArray &line = lines[index];
        if (line.startsWith('[')) {
            section = line;
        } else if (isKeyLine(line)) {
            const QString identity = QString::fromUtf8(section) + u'\n' + keyIdentity(keyOf(line));
            if (const auto earlier = seen.constFind(identity); earlier != seen.cend())
                return QStringLiteral("line %1: %2 gives again the key of line %3; each key may "
                                      "stand once")
                    .arg(index + 1)
                    .arg(QString::fromUtf8(keyOf(line)))
                    .arg(*earlier + 1);
            seen.insert(identity, index);
        }
    }
    return {};
}

// A line QSettings cannot read and drops when it writes the file: "# my port" is no comment
// to it.
QString strayLineProblem(const QList<QByteArray> &lines)
{
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const QByteArray &line = lines[index];
        if (!line.isEmpty() && !line.startsWith(';') && !line.startsWith('[') &&
            !line.contains('='))
            return QStringLiteral("line %1: not a key=value line, a [section] or a ; comment")
                .arg(index + 1);
    }
    return {};
}

// The key lines of an INI text by section ("[Settings]", or "" before the first), in order.
struct IniSection
{
    QByteArray header;
    QList<QByteArray> keyLines;
};

QList<IniSection> iniSections(const QList<QByteArray> &lines)
{
    QList<IniSection> sections{{}};
    for (const QByteArray &line : lines) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('['))
            sections.append({trimmed, {}});
        else if (isKeyLine(trimmed))
            sections.last().keyLines.append(trimmed);
    }
    return sections;
}

// Takes the line of the key from the section of the new text; empty when it holds none.
QByteArray takeKeyLine(QList<IniSection> &sections, const QByteArray &header, const QByteArray &key)
{
    for (IniSection &section : sections) {
        if (section.header != header)
            continue;
        for (qsizetype i = 0; i < section.keyLines.size(); ++i) {
            if (keyOf(section.keyLines[i]) == key)
                return section.keyLines.takeAt(i);
        }
    }
    return {};
}

// After the section's last line that is not blank.
void appendRestOf(QList<IniSection> &sections, const QByteArray &header, QList<QByteArray> &out)
{
    qsizetype end = out.size();
    while (end > 0 && out[end - 1].trimmed().isEmpty())
        --end;
    for (IniSection &section : sections) {
        if (section.header != header)
            continue;
        for (const QByteArray &line : std::exchange(section.keyLines, {}))
            out.insert(end++, line);
    }
}

// The text QSettings wrote, laid out as the operator's file was: comments and blank lines stay
// where they stood, each key line gives way to the new line of its key, and a key new to a
// section follows that section's last line.
QByteArray withOperatorsLayout(const QList<QByteArray> &old, const QList<QByteArray> &written)
{
    QList<IniSection> fresh = iniSections(written);
    QList<QByteArray> out;
    QList<QByteArray> oldLines = old;
    if (!oldLines.isEmpty() && oldLines.last().isEmpty())
        oldLines.removeLast(); // the end of the last line
    QByteArray header;
    for (const QByteArray &line : std::as_const(oldLines)) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('[')) {
            appendRestOf(fresh, header, out);
            header = trimmed;
            out << line;
        } else if (!isKeyLine(trimmed)) {
            out << line;
        } else if (const QByteArray replaced = takeKeyLine(fresh, header, keyOf(trimmed));
                   !replaced.isEmpty()) {
            out << replaced;
        }
    }
    appendRestOf(fresh, header, out);
    for (const IniSection &section : std::as_const(fresh)) {
        if (!section.keyLines.isEmpty())
            out << QByteArray() << section.header << section.keyLines;
    }
    return out.join('\n') + '\n';
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

// QSettings reads its file at the first question asked of it; its status tells nothing before.
QString IniPreferencesStore::findReadProblem(const QList<QByteArray> &lines) const
{
    m_settings->allKeys();
    if (const QString stray = strayLineProblem(lines); !stray.isEmpty())
        return fileName() + QStringLiteral(", ") + stray;
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
    if (const QString repeated = repeatedKeyProblem(lines); !repeated.isEmpty())
        return fileName() + QStringLiteral(", ") + repeated;
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
    const QByteArray before = operatorsText();
    m_settings->setValue(fullKey(section, key), value);
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError && keepLayout(before))
        return {};
    return QStringLiteral("Preferences are not saved: %1 cannot be written (is its folder "
                          "read-only, full, or not a folder?)")
        .arg(fileName());
}

// The file as the operator left it, where QSettings writes an INI file of its own layout.
QByteArray IniPreferencesStore::operatorsText() const
{
    if (preferencesFormat() != QSettings::IniFormat)
        return {};
    return readUntrustedFile(fileName()).contents;
}

// QSettings drops comments and blank lines: they are put back, and the file keeps its order.
bool IniPreferencesStore::keepLayout(const QByteArray &before) const
{
    if (before.isEmpty())
        return true;
    const UntrustedFile written = readUntrustedFile(fileName());
    if (!written.problem.isEmpty())
        return false;
    QSaveFile file(fileName());
    return file.open(QIODevice::WriteOnly) &&
           file.write(withOperatorsLayout(before.split('\n'), written.contents.split('\n'))) >= 0 &&
           file.commit();
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
