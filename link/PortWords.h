#pragma once

#include "link/PortMap.h"
#include "link/SerialPort.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qm {

// A port the operator may want that cannot be used, as the words about it need it.
struct PortRefusal
{
    int port = 0;
    QString device;
    SerialPort::RefusalCause cause = SerialPort::RefusalCause::Other;
    QString detail;      // as SerialPort::refusalDetail() gives it
    bool absent = false; // the device is not there at all
    bool listed = false; // "Serial Port:" offers the port, so it can be picked again
};

// What the port's last open() met.
PortRefusal refusalOf(const SerialPort &port, bool listed = false);

// How the operator tries again once the cure is done: a command is simply run again; a panel's
// port is picked in its list.
enum class PortRetry
{
    RunAgain,
    PickInList,
};

// The cure for one port, without its name: "you may not use it; join the dialout group (sudo
// adduser $USER dialout), then log out and in again", with the device's own group where known.
QString refusalCure(const PortRefusal &refusal, PortRetry retry);

// One sentence per cure, each naming all the ports it applies to, in port order: "COM1 to COM4
// (/dev/ttyS0 to /dev/ttyS3): you may not use them; join the dialout group ...".
QStringList refusalSentences(const QList<PortRefusal> &refusals, PortRetry retry);

// "a", "a and b", "a, b and c".
QString listOf(const QStringList &items);

// Several ports in one phrase: "COM1 to COM4 and COM6 (/dev/ttyS0 to /dev/ttyS3 and
// /dev/ttyUSB1)". Each port with its device, ascending by port.
struct NamedPort
{
    int port;
    QString device;
};
QString describePorts(const QList<NamedPort> &ports);

} // namespace qm
