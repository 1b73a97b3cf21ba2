#include "link/WinSerialRules.h"

#include <QRegularExpression>

#include <algorithm>

namespace qm::winserial {

namespace {

// The Win32 error codes CreateFile gives for a serial device (winerror.h).
constexpr quint32 ErrorFileNotFound = 2;
constexpr quint32 ErrorPathNotFound = 3;
constexpr quint32 ErrorAccessDenied = 5;
constexpr quint32 ErrorSharingViolation = 32;

constexpr quint32 DriverLatencyMs = 1000;

constexpr QLatin1StringView DeviceNamespace("\\\\.\\");

} // namespace

QString devicePath(const QString &deviceName)
{
    if (deviceName.startsWith(QLatin1String("\\\\")))
        return deviceName;
    return DeviceNamespace + deviceName;
}

QString dosName(const QString &deviceName)
{
    return deviceName.startsWith(DeviceNamespace) ? deviceName.mid(DeviceNamespace.size())
                                                  : deviceName;
}

bool meansAbsent(quint32 win32Error)
{
    return win32Error == ErrorFileNotFound || win32Error == ErrorPathNotFound;
}

// A COM port is opened exclusively: another program's handle refuses every other open with
// "access denied", which on Windows says nothing about the user's rights.
SerialPort::RefusalCause refusalCause(quint32 win32Error)
{
    if (win32Error == ErrorAccessDenied || win32Error == ErrorSharingViolation)
        return SerialPort::RefusalCause::InUse;
    return SerialPort::RefusalCause::Other;
}

WriteLimit writeLimit(quint32 baudRate)
{
    constexpr quint32 BitsPerByteTwice = 2 * 10;
    const quint32 rate = std::max<quint32>(baudRate, 1);
    return {(BitsPerByteTwice * 1000 + rate - 1) / rate, DriverLatencyMs};
}

DeviceIdentity identityFromInstanceId(const QString &instanceId)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^[^\\]+\\VID_([0-9A-F]{4})[&+]PID_([0-9A-F]{4})(?:&MI_[0-9A-F]{2})?)"
                       R"((?:\+([^\\]*))?(?:\\(.*))?$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(instanceId);
    if (!match.hasMatch())
        return {};
    DeviceIdentity identity;
    identity.vendor = match.captured(1).toUShort(nullptr, 16);
    identity.product = match.captured(2).toUShort(nullptr, 16);
    // FTDI's driver puts the serial number after the product; USB's own driver puts it last,
    // unless Windows made that part up, which it marks with '&'.
    const QString serial = match.hasCaptured(3) ? match.captured(3) : match.captured(4);
    if (!serial.contains(u'&'))
        identity.serialNumber = serial;
    return identity;
}

} // namespace qm::winserial
