#include "link/DeviceKind.h"

namespace qm {

// Windows gives a port COMn names only, and opens nothing else under them as a serial port.
QString whyNotSerialDevice(const QString &)
{
    return {};
}

} // namespace qm
