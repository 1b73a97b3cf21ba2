#pragma once

#include "link/PortMap.h"
#include "link/SerialPort.h"

#include <QByteArrayList>
#include <QList>
#include <QMap>
#include <QSet>

#include <optional>

namespace qm::test {

// A scripted serial port: which port numbers have a device and which of those open, every
// open attempt and frame written, and bytes or failures injected as if from the line.
class FakeSerialPort : public SerialPort
{
public:
    QSet<int> present;  // a device exists but refuses to open
    QSet<int> openable; // a device exists and opens
    // The devices by port number; others have none. One with a network address opens as a
    // device server's port does: connecting until finishConnecting().
    QMap<int, DeviceIdentity> identities;
    // Another port object on the same machine: its devices are the ones that count.
    const FakeSerialPort *sameMachineAs = nullptr;
    // Set on the machine: a device it holds open refuses the machine's other port objects, as
    // the device lock does.
    bool exclusive = false;
    // Units on ports, by the line speed each answers at: a request for channel 1's settings
    // written at that speed is answered as the emulated unit of that speed answers it.
    QMap<int, qint32> unitSpeeds;
    // How a port's device refuses, where it does otherwise than as to a user outside the
    // dialout group.
    struct Refusing
    {
        RefusalCause cause;
        QString detail;
    };
    QMap<int, Refusing> refusals;
    QList<int> openAttempts;
    QByteArrayList frames;
    QByteArrayList unsent; // frames the driver had not taken, handed over at a failure
    int claims = 0;
    int writesWhileClosed = 0;

    void setPortNumber(int port) override;
    int portNumber() const override { return m_port; }
    void setPortMap(const PortMap &map) override { m_deviceMap = map; }
    void setBaudRate(qint32 rate) override { m_baudRate = rate; }
    QString deviceName() const override;
    bool deviceExists() const override;
    bool open() override;
    void claim() override;
    void close() override;
    QString errorString() const override { return refusing().detail; }
    RefusalCause refusalCause() const override { return refusing().cause; }
    QString refusalDetail() const override { return refusing().detail; }
    QByteArray readAll() override;
    bool isOpen() const override { return m_open; }
    void write(const QByteArray &frame) override;
    DeviceIdentity identity() const override { return m_identity; }
    DeviceIdentity presentIdentity() const override { return identities.value(m_port); }
    DeviceIdentity openedIdentity() const override
    {
        return m_open ? presentIdentity() : DeviceIdentity();
    }
    QByteArrayList takeUnsent() override { return std::exchange(unsent, {}); }
    bool isConnecting() const override { return m_connecting; }
    int roundTripMs() const override { return m_roundTrip; }

    // Bytes arriving from the unit: they wait in the port and, when announced, readyRead() is
    // raised; unannounced, they are there for a reader that looks, as bytes are whose signal the
    // event loop has yet to deliver.
    void receive(const QByteArray &bytes, bool announced = true);
    void fail() { emit failed(); }
    // The round trip is the one a device server's port would measure on connecting.
    void finishConnecting(int roundTripMs = 0)
    {
        m_connecting = false;
        m_roundTrip = roundTripMs;
        emit connected();
    }

private:
    const FakeSerialPort &machine() const { return sameMachineAs ? *sameMachineAs : *this; }
    Refusing refusing() const
    {
        return machine().refusals.value(m_port, {RefusalCause::NoPermission, {}});
    }

    int m_port = 0;
    bool m_open = false;
    bool m_connecting = false;
    int m_roundTrip = 0;
    qint32 m_baudRate = 0;
    std::optional<PortMap> m_deviceMap;
    DeviceIdentity m_identity;
    QByteArray m_incoming;
};

} // namespace qm::test
