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

// A port named on two lines ("COM1", "COM01") has no one device the operator meant.
QList<int> portsNamedTwice(const QStringList &namedKeys)
{
    QList<int> seen;
    QList<int> repeated;
    for (const QString &key : namedKeys) {
        const int port = portNumber(key);
        if (port != 0 && seen.contains(port) && !repeated.contains(port))
            repeated << port;
        seen << port;
    }
    return repeated;
}

// Why a port's entry gives it no device at all; empty when it gives one. An empty entry says
// the port has none, not that it keeps its usual one.
QString whyLeftOut(bool namedTwice, bool readable, const QString &path)
{
    if (namedTwice)
        return QStringLiteral("the port is named on more than one line");
    if (!readable || !isPlainDevicePath(path))
        return QStringLiteral("its device cannot be read");
    if (path.isEmpty())
        return QStringLiteral("no device is given");
    return {};
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
    write(section(), QString::fromLatin1(key), text);
}

void Preferences::write(const QString &section, const QString &key, const QString &text)
{
    const QString failure = m_store.write(section, key, text);
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
    const QList<int> repeated = portsNamedTwice(*named);
    QStringList keys = readable + *named;
    keys.removeDuplicates();
    for (const QString &key : keys) {
        const int port = portNumber(key);
        const QString path = m_store.read(portsSection, key, {}).trimmed();
        if (port == 0) {
            overrides.problems
                << QStringLiteral("[Ports] %1: not a port (COM1 to COM16); ignored").arg(key);
            continue;
        }
        const QString why = whyLeftOut(repeated.contains(port), readable.contains(key), path);
        if (why.isEmpty()) {
            overrides.devices.insert(port, path);
        } else if (!overrides.withheld.contains(port)) {
            overrides.withheld << port;
            overrides.problems
                << QStringLiteral("[Ports] %1: %2; the port is left out").arg(key, why);
        }
    }
    return overrides;
}

// A second key for the port ("COM05" beside "COM5") would leave it with no device at all.
void Preferences::storePortDevice(int port, const QString &devicePath)
{
    const QString portsSection = QString::fromLatin1(prefkeys::PortsSection);
    const QStringList named = m_store.namedKeys(portsSection).value_or(QStringList());
    const auto same = std::find_if(named.begin(), named.end(),
                                   [port](const QString &key) { return portNumber(key) == port; });
    const QString key = same != named.end()
                            ? *same
                            : QString::fromLatin1(prefkeys::PortKeyPrefix) + QString::number(port);
    write(portsSection, key, devicePath);
}

} // namespace qm
