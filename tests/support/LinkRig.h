#pragma once

#include "link/SerialLink.h"
#include "model/ChannelTable.h"
#include "protocol/ReplyReceiver.h"
#include "tests/support/FakeSerialPort.h"

#include <QSignalSpy>

namespace qm::test {

// A QM-520A link on a fake port opened on COM3, whose device has the given identity, and what
// the link tells of the line.
struct LinkRig
{
    ChannelTable table;
    FakeSerialPort port;
    ReplyReceiver receiver{qm520a(), table};
    SerialLink link{port, receiver};
    QSignalSpy recovered{&link, &SerialLink::recovered};
    QSignalSpy lost{&link, &SerialLink::lineLost};
    QSignalSpy dropped{&link, &SerialLink::framesDropped};

    // A port that is still connecting is claimed by the test once it has connected.
    explicit LinkRig(const DeviceIdentity &identity = {})
    {
        port.openable = {3};
        port.identities[3] = identity;
        port.setPortNumber(3);
        port.open();
        if (!port.isConnecting())
            port.claim();
        link.setRetryInterval(20);
    }
};

} // namespace qm::test
