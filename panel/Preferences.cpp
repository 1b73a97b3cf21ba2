#include "Preferences.h"

#include "NumberText.h"
#include "PreferenceKeys.h"

namespace qm {

namespace {

QString section()
{
    return QString::fromLatin1(prefkeys::Section);
}

} // namespace

Preferences::Preferences(PreferencesStore &store) : m_store(store) {}

qint16 Preferences::readInt16(const char *key, qint16 defaultValue) const
{
    const QString text =
        m_store.read(section(), QString::fromLatin1(key), QString::number(defaultValue));
    return qm::readInt16(text).value_or(defaultValue);
}

// Any number is kept as it stands: the dialog and the run use its low twelve bits, so a
// hand-edited value still picks the channels its bits name.
double Preferences::readMask(const char *key, double defaultValue) const
{
    const QString text =
        m_store.read(section(), QString::fromLatin1(key), QString::number(defaultValue));
    return parseLeadingNumber(text).value_or(defaultValue);
}

void Preferences::write(const char *key, const QString &text)
{
    m_store.write(section(), QString::fromLatin1(key), text);
}

QPoint Preferences::formPosition() const
{
    return {readInt16(prefkeys::FormLeft, DefaultFormPosition),
            readInt16(prefkeys::FormTop, DefaultFormPosition)};
}

void Preferences::storeFormPosition(QPoint topLeftTwips)
{
    write(prefkeys::FormTop, QString::number(topLeftTwips.y()));
    write(prefkeys::FormLeft, QString::number(topLeftTwips.x()));
}

double Preferences::channelSelection() const
{
    return readMask(prefkeys::ChannelSelection, DefaultChannelSelection);
}

void Preferences::storeChannelSelection(double mask)
{
    write(prefkeys::ChannelSelection, QString::number(mask, 'f', 0));
}

double Preferences::settingSelection() const
{
    return readMask(prefkeys::SettingSelection, DefaultSettingSelection);
}

void Preferences::storeSettingSelection(double mask)
{
    write(prefkeys::SettingSelection, QString::number(mask, 'f', 0));
}

qint16 Preferences::comport() const
{
    return readInt16(prefkeys::Comport, DefaultComport);
}

void Preferences::storeComport(qint16 port)
{
    write(prefkeys::Comport, QString::number(port));
}

qint16 Preferences::updateImmediately() const
{
    return readInt16(prefkeys::UpdateImmediately, DefaultUpdateImmediately);
}

void Preferences::storeUpdateImmediately(qint16 value)
{
    write(prefkeys::UpdateImmediately, QString::number(value));
}

QMap<int, QString> Preferences::portOverrides() const
{
    const QString portsSection = QString::fromLatin1(prefkeys::PortsSection);
    QMap<int, QString> overrides;
    for (const QString &key : m_store.keys(portsSection)) {
        if (!key.startsWith(QLatin1String(prefkeys::PortKeyPrefix), Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int port = key.mid(3).toInt(&ok);
        const QString path = m_store.read(portsSection, key, {}).trimmed();
        if (ok && port >= 1 && port <= 16 && !path.isEmpty())
            overrides.insert(port, path);
    }
    return overrides;
}

} // namespace qm
