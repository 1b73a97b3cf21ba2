#include "preferences/Preferences.h"

#include "model/NumberText.h"
#include "preferences/PreferenceKeys.h"

#include <algorithm>

namespace qm {

namespace {

QString section()
{
    return QString::fromLatin1(prefkeys::Section);
}

constexpr int PortCount = 16;

// 1..16 for "COM1".."COM16", 0 for any other key.
int portNumber(const QString &key)
{
    if (!key.startsWith(QLatin1String(prefkeys::PortKeyPrefix), Qt::CaseInsensitive))
        return 0;
    bool ok = false;
    const int port = key.mid(3).toInt(&ok);
    return ok && port >= 1 && port <= PortCount ? port : 0;
}

// A device path is one line of plain text; a quote or a line end in it is the trace of a
// line the store read wrongly.
bool isPlainDevicePath(const QString &path)
{
    return std::none_of(path.begin(), path.end(), [](QChar c) { return c == u'"' || c < u' '; });
}

} // namespace

Preferences::Preferences(PreferencesStore &store) : m_store(store) {}

void Preferences::setWriteFailureHandler(WriteFailureHandler handler)
{
    m_writeFailureHandler = std::move(handler);
}

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
    const QString failure = m_store.write(section(), QString::fromLatin1(key), text);
    if (failure.isEmpty() || m_writeFailureTold)
        return;
    m_writeFailureTold = true;
    if (m_writeFailureHandler)
        m_writeFailureHandler(failure);
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

void Preferences::storeChannelSelection(quint32 mask)
{
    write(prefkeys::ChannelSelection, QString::number(mask));
}

double Preferences::settingSelection() const
{
    return readMask(prefkeys::SettingSelection, DefaultSettingSelection);
}

void Preferences::storeSettingSelection(quint32 mask)
{
    write(prefkeys::SettingSelection, QString::number(mask));
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

PortOverrides Preferences::portOverrides() const
{
    const QString portsSection = QString::fromLatin1(prefkeys::PortsSection);
    PortOverrides overrides;
    const std::optional<QStringList> named = m_store.namedKeys(portsSection);
    if (!named) {
        for (int port = 1; port <= PortCount; ++port)
            overrides.withheld << port;
        overrides.problems << QStringLiteral("The preferences cannot be read, so no port is "
                                             "given its usual device");
        return overrides;
    }
    const QStringList readable = m_store.keys(portsSection);
    QStringList keys = readable + *named;
    keys.removeDuplicates();
    for (const QString &key : keys) {
        const int port = portNumber(key);
        const QString path = m_store.read(portsSection, key, {}).trimmed();
        if (port == 0) {
            overrides.problems
                << QStringLiteral("[Ports] %1: not a port (COM1 to COM16); ignored").arg(key);
        } else if (!readable.contains(key) || !isPlainDevicePath(path)) {
            overrides.withheld << port;
            overrides.problems << QStringLiteral("[Ports] %1: its device cannot be read; the "
                                                 "port is left out")
                                      .arg(key);
        } else if (!path.isEmpty()) {
            overrides.devices.insert(port, path);
        }
    }
    return overrides;
}

} // namespace qm
