#include "link/PortWords.h"

#include "link/PlatformSerialPort.h"

#include <QRegularExpression>

#include <algorithm>

namespace qm {

namespace {

QString portName(int port)
{
    return QStringLiteral("COM%1").arg(port);
}

// Windows names its devices as the ports are named; naming them twice says nothing.
bool saysMore(int port, const QString &device)
{
    return describePort(port, device) != portName(port);
}

// Ports in a row, as "COM1 to COM4" names them; fewer than three are named one by one.
QList<QList<NamedPort>> runsOf(const QList<NamedPort> &ports)
{
    QList<QList<NamedPort>> runs;
    for (const NamedPort &port : ports) {
        if (runs.isEmpty() || runs.last().last().port + 1 != port.port)
            runs.append(QList<NamedPort>());
        runs.last().append(port);
    }
    QList<QList<NamedPort>> named;
    for (const QList<NamedPort> &run : std::as_const(runs)) {
        if (run.size() >= 3)
            named.append(run);
        else
            for (const NamedPort &port : run)
                named.append(QList<NamedPort>{port});
    }
    return named;
}

// "/dev/ttyS0 to /dev/ttyS3" when the run's devices follow each other as its ports do.
QString deviceRun(const QList<NamedPort> &run)
{
    if (run.size() == 1)
        return run.first().device;
    static const QRegularExpression numbered(QStringLiteral("^(.*\\D)(\\d+)$"));
    const QRegularExpressionMatch first = numbered.match(run.first().device);
    if (!first.hasMatch())
        return {};
    const int firstNumber = first.captured(2).toInt();
    for (qsizetype i = 1; i < run.size(); ++i) {
        const QRegularExpressionMatch next = numbered.match(run[i].device);
        if (!next.hasMatch() || next.captured(1) != first.captured(1) ||
            next.captured(2).toInt() != firstNumber + i)
            return {};
    }
    return run.first().device + QStringLiteral(" to ") + run.last().device;
}

QString portRun(const QList<NamedPort> &run)
{
    if (run.size() == 1)
        return portName(run.first().port);
    return portName(run.first().port) + QStringLiteral(" to ") + portName(run.last().port);
}

// What the operator does once the cure is done; a port left out of the list is there again
// as soon as the list is opened.
QString retryStep(const PortRefusal &refusal, PortRetry retry, bool several)
{
    if (retry == PortRetry::RunAgain)
        return {};
    const QString which = several ? QStringLiteral("one") : QStringLiteral("it");
    return refusal.listed ? QStringLiteral(", then pick %1 again").arg(which)
                          : QStringLiteral(", then pick %1 in \"Serial Port:\"").arg(which);
}

QString cure(const PortRefusal &refusal, PortRetry retry, bool several)
{
    const QString it = several ? QStringLiteral("them") : QStringLiteral("it");
    const QString itIs = several ? QStringLiteral("they are") : QStringLiteral("it is");
    const QString then = retryStep(refusal, retry, several);
    if (refusal.absent)
        return itIs + QStringLiteral(" not there; plug the adapter in") + then;
    switch (refusal.cause) {
    case SerialPort::RefusalCause::NoPermission: {
        // The detail is the device's own group, where the system names one that may use it.
        const QString group = refusal.detail.isEmpty() ? QStringLiteral("dialout") : refusal.detail;
        return QStringLiteral("you may not use %1; join the %2 group (sudo adduser $USER %2), "
                              "then log out and in again")
            .arg(it, group);
    }
    case SerialPort::RefusalCause::InUse:
        if (refusal.detail.isEmpty())
            return QStringLiteral("another program holds %1, such as %2; close that program")
                       .arg(it, usualPortHolders()) +
                   then;
        return QStringLiteral("%1 holds %2; close that program").arg(refusal.detail, it) + then;
    case SerialPort::RefusalCause::StaleLock:
        return QStringLiteral("the lock file %1, left by a program that has ended, keeps %2 "
                              "closed; remove it (sudo rm %1)")
                   .arg(refusal.detail, it) +
               then;
    case SerialPort::RefusalCause::UnnamedLock:
        return QStringLiteral("the lock file %1 names no program, yet keeps %2 closed; if no "
                              "program uses %2, remove it (sudo rm %1)")
                   .arg(refusal.detail, it) +
               then;
    case SerialPort::RefusalCause::NotSerial:
        return QStringLiteral("%1 %2, not a serial device; use the unit's serial device instead")
                   .arg(itIs, refusal.detail) +
               then;
    case SerialPort::RefusalCause::DeviceServer:
        return refusal.detail + then;
    case SerialPort::RefusalCause::Other:
        break;
    }
    const QString cannot = several ? QStringLiteral("they cannot") : QStringLiteral("it cannot");
    if (refusal.detail.isEmpty())
        return cannot + QStringLiteral(" be opened");
    return cannot + QStringLiteral(" be opened (the system says: %1)").arg(refusal.detail);
}

} // namespace

QString listOf(const QStringList &items)
{
    if (items.size() < 2)
        return items.value(0);
    return items.first(items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           items.last();
}

QString describePorts(const QList<NamedPort> &ports)
{
    QList<NamedPort> sorted = ports;
    std::sort(sorted.begin(), sorted.end(),
              [](const NamedPort &a, const NamedPort &b) { return a.port < b.port; });
    const QList<QList<NamedPort>> runs = runsOf(sorted);
    QStringList portItems;
    QStringList deviceItems;
    for (const QList<NamedPort> &run : runs) {
        portItems << portRun(run);
        deviceItems << deviceRun(run);
    }
    const bool devicesSayMore = std::any_of(sorted.cbegin(), sorted.cend(), [](const auto &port) {
        return saysMore(port.port, port.device);
    });
    if (!devicesSayMore)
        return listOf(portItems);
    if (!deviceItems.contains(QString()))
        return listOf(portItems) + QStringLiteral(" (") + listOf(deviceItems) + u')';
    QStringList each;
    for (const NamedPort &port : std::as_const(sorted))
        each << describePort(port.port, port.device);
    return listOf(each);
}

PortRefusal refusalOf(const SerialPort &port, bool listed)
{
    return {port.portNumber(),    port.deviceName(),    port.refusalCause(),
            port.refusalDetail(), !port.deviceExists(), listed};
}

QString refusalCure(const PortRefusal &refusal, PortRetry retry)
{
    return cure(refusal, retry, false);
}

QStringList refusalSentences(const QList<PortRefusal> &refusals, PortRetry retry)
{
    QList<PortRefusal> sorted = refusals;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const PortRefusal &a, const PortRefusal &b) { return a.port < b.port; });
    // By cure, in the order of each cure's first port.
    QStringList cures;
    QList<QList<PortRefusal>> groups;
    for (const PortRefusal &refusal : std::as_const(sorted)) {
        const QString key = refusalCure(refusal, retry);
        const qsizetype group = cures.indexOf(key);
        if (group < 0) {
            cures << key;
            groups.append(QList<PortRefusal>{refusal});
        } else {
            groups[group].append(refusal);
        }
    }
    QStringList sentences;
    for (const QList<PortRefusal> &group : std::as_const(groups)) {
        QList<NamedPort> ports;
        for (const PortRefusal &refusal : group)
            ports.append({refusal.port, refusal.device});
        sentences << describePorts(ports) + QStringLiteral(": ") +
                         cure(group.first(), retry, group.size() > 1) + u'.';
    }
    return sentences;
}

} // namespace qm
