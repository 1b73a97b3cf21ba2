#include "panel/ports/ComportList.h"

#include "link/NetworkAddress.h"
#include "link/PortManager.h"
#include "link/SerialPort.h"
#include "model/NumberText.h"
#include "panel/window/MessageBoxes.h"
#include "preferences/Preferences.h"

#include <QComboBox>

#include <limits>

namespace qm {

namespace {

// An item names a port by its leading number; anything else (or a number no port can have)
// names port 0, which is never listed.
qint16 portNumberOf(const QString &itemText)
{
    const double number = roundHalfEven(readNumber(itemText));
    if (number < std::numeric_limits<qint16>::min() || number > std::numeric_limits<qint16>::max())
        return 0;
    return static_cast<qint16>(number);
}

// Keeps the port's number first, so that picking the item still names the port.
const QString GoneMark = QStringLiteral(" (gone)");

} // namespace

ComportList::ComportList(QComboBox &list, PortManager &ports, SerialPort &prober,
                         Preferences &preferences, MessageBoxes &messageBoxes, Devices devices)
    : m_list(list), m_ports(ports), m_prober(prober), m_preferences(preferences),
      m_messageBoxes(messageBoxes), m_devices(std::move(devices))
{}

void ComportList::populate(qint16 storedPort)
{
    m_selectedPort = storedPort;
    if (m_ports.portCount() < 1)
        return;
    if (fill(storedPort))
        m_ports.openPortIfListed(storedPort);
}

void ComportList::refresh(qint16 heldPort)
{
    const qint16 shown = m_list.currentIndex() < 0 ? 0 : portNumberOf(m_list.currentText());
    m_ports.refreshPorts(m_prober, heldPort);
    fill(shown);
}

bool ComportList::fill(qint16 shownPort)
{
    m_list.clear();
    int shownItem = -1;
    for (qint16 port : m_ports.portList()) {
        // Only the port in use can be listed without its device.
        m_prober.setPortNumber(port);
        const bool gone = !m_prober.deviceExists();
        m_list.addItem(QString::number(port) + (gone ? GoneMark : QString()));
        m_list.setItemData(m_list.count() - 1, toolTip(port, gone), Qt::ToolTipRole);
        if (port == shownPort)
            shownItem = m_list.count() - 1;
    }
    // With no item shown the list would otherwise show its first one as if it were in use.
    m_list.setCurrentIndex(shownItem);
    return shownItem >= 0;
}

QString ComportList::toolTip(int port, bool gone) const
{
    const QString device = m_devices.path(port);
    if (isNetworkAddress(device))
        return deviceServerToolTip(device);
    QStringList lines{device};
    const AdapterInfo adapter = m_devices.adapter ? m_devices.adapter(device) : AdapterInfo{};
    const std::pair<QString, QString> details[] = {
        {QStringLiteral("Maker: "), adapter.maker},
        {QStringLiteral("Product: "), adapter.product},
        {QStringLiteral("Serial number: "), adapter.serialNumber}};
    for (const auto &[label, value] : details) {
        if (!value.isEmpty())
            lines << label + value;
    }
    if (gone)
        lines << QStringLiteral("The device has gone: plug the adapter in again, then pick "
                                "this port.");
    return lines.join(QLatin1Char('\n'));
}

// The operator reads here who sets the line, since a raw port's unit reads nothing when the
// server's configuration and the unit disagree.
QString ComportList::deviceServerToolTip(const QString &address) const
{
    const QString line =
        QStringLiteral("%1 baud, 8 data bits, no parity, 1 stop bit").arg(m_devices.baudRate);
    const AddressReading reading = readNetworkAddress(address);
    if (reading.address && !reading.address->setsLine())
        return QStringLiteral("%1\nA device server's raw TCP port: its own configuration sets "
                              "the line, which must be %2.")
            .arg(address, line);
    return QStringLiteral("%1\nA device server (RFC 2217): this panel sets the line to %2.")
        .arg(address, line);
}

int ComportList::itemOf(qint16 port) const
{
    for (int item = 0; item < m_list.count(); ++item) {
        if (portNumberOf(m_list.itemText(item)) == port)
            return item;
    }
    return -1;
}

bool ComportList::pick(const QString &itemText)
{
    const qint16 port = portNumberOf(itemText);
    if (!m_ports.openPortIfListed(port)) {
        m_messageBoxes.warn(m_list.window()->windowTitle(), QStringLiteral("Cannot open Comport"));
        return false;
    }
    m_selectedPort = port;
    m_preferences.storeComport(port);
    return true;
}

} // namespace qm
