#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace qm {

// Which device stands behind each of the panel's port numbers COM1..COM16. Windows has the
// COMn names itself; on Linux the numbers fall on the usual device families, and the operator
// may point any number at another device (an adapter with an unusual name, a pseudo-terminal).
class PortMap
{
public:
    PortMap() = default;
    // Port number to device path, as the preferences' "Ports" section holds them, and the
    // ports whose entry there could not be read.
    explicit PortMap(const QMap<int, QString> &overrides, const QList<int> &withheld = {});

    // An empty path gives the port its default device back. A device server's address that is
    // badly written withholds the port instead, with the problem noted; any other path gives a
    // withheld port its device again, since the operator has now said which it is.
    void setOverride(int port, const QString &devicePath);
    // The port gets no device at all: its entry in the map could not be read, and its
    // default device may be one the operator pointed away from.
    void withhold(int port);
    // Empty for a number outside 1..16 and for a withheld port.
    QString devicePath(int port) const;
    static QString defaultDevicePath(int port);
    // One line per entry the map could not take, as the preferences word theirs.
    const QStringList &problems() const { return m_problems; }

private:
    QMap<int, QString> m_overrides;
    QList<int> m_withheld;
    QStringList m_problems;
};

// "COM3 (/dev/ttyS2)" for messages; just "COM3" where the device is the port's own name or
// unknown. Further details (an adapter's maker, its serial number) follow the device in the
// brackets: "COM5 (/dev/ttyUSB0, FTDI FT232R, A9XYZ123)".
QString describePort(int port, const QString &devicePath, const QStringList &details = {});

} // namespace qm
