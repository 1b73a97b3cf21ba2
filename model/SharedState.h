#pragma once

#include <QList>
#include <QtGlobal>

namespace qm {

// The program-wide values that several parts of a panel read and write. One instance lives
// as long as the main window.
struct SharedState
{
    qint16 currentChannel = 0;
    qint16 channelsFound = 0;
    qint16 updateImmediately = 1;
    qint16 selectedPort = 1;
    // Port numbers that opened during discovery, ascending; empty when none did.
    QList<qint16> portList;
    // Bit masks of the multi-channel update: target channels and copied setting groups.
    double channelSelection = 4095;
    double settingSelection = 2046;

    qint16 portCount() const { return static_cast<qint16>(portList.size()); }
};

} // namespace qm
