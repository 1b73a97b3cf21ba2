#include "link/DeviceIdentity.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace qm {

namespace {

// The sysfs device of a USB serial adapter is an interface ("1-1.2:1.0") below its port
// ("1-1.2"), possibly with the tty's own folder in between; the port is the location.
QString usbLocationOf(const QString &portName)
{
#ifdef Q_OS_LINUX
    QString path =
        QFileInfo(QStringLiteral("/sys/class/tty/%1/device").arg(portName)).canonicalFilePath();
    for (; !path.isEmpty() && path != u'/'; path = QFileInfo(path).path()) {
        const QString name = QFileInfo(path).fileName();
        if (name.contains(u':') && name.at(0).isDigit())
            return name.section(u':', 0, 0);
    }
#else
    Q_UNUSED(portName);
#endif
    return {};
}

QSerialPortInfo portInfoFor(const QString &devicePath)
{
    const QString canonical = QFileInfo(devicePath).canonicalFilePath();
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        if (info.portName().compare(devicePath, Qt::CaseInsensitive) == 0 ||
            (!canonical.isEmpty() && info.systemLocation() == canonical))
            return info;
    }
    return {};
}

} // namespace

DeviceIdentity readDeviceIdentity(const QString &devicePath)
{
    const QSerialPortInfo info = portInfoFor(devicePath);
    if (!info.hasVendorIdentifier() || !info.hasProductIdentifier())
        return {};
    return {info.vendorIdentifier(), info.productIdentifier(), info.serialNumber(),
            usbLocationOf(info.portName())};
}

} // namespace qm
