#include "ComportList.h"

#include "Notifier.h"
#include "NumberText.h"
#include "PortManager.h"
#include "Preferences.h"
#include "SharedState.h"

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

} // namespace

ComportList::ComportList(QComboBox &list, PortManager &ports, SharedState &state,
                         Preferences &preferences, Notifier &notifier, DevicePath devicePath)
    : m_list(list), m_ports(ports), m_state(state), m_preferences(preferences),
      m_notifier(notifier), m_devicePath(std::move(devicePath))
{}

void ComportList::populate(qint16 currentPort)
{
    if (m_state.portCount() < 1)
        return;
    m_list.clear();
    bool listed = false;
    for (qint16 port : m_state.portList) {
        m_list.addItem(QString::number(port));
        const int item = m_list.count() - 1;
        m_list.setItemData(item, m_devicePath(port), Qt::ToolTipRole);
        if (port == currentPort) {
            listed = true;
            m_list.setCurrentIndex(item);
            m_ports.openPortIfListed(port);
        }
    }
    // The list would otherwise show its first item as if that port were in use.
    if (!listed)
        m_list.setCurrentIndex(-1);
}

bool ComportList::pick(const QString &itemText)
{
    const qint16 port = portNumberOf(itemText);
    if (!m_ports.openPortIfListed(port)) {
        m_notifier.tell(m_list.window()->windowTitle(), QStringLiteral("Cannot open Comport"));
        return false;
    }
    m_state.selectedPort = port;
    m_preferences.storeComport(port);
    return true;
}

} // namespace qm
