#pragma once

#include "link/PortMap.h"
#include "link/SerialPort.h"

#include <memory>

namespace qm {

// The port every program uses: each port number reaches its device through the system's serial
// port, or across the network where the port map gives it a device server's address. The
// owner sees one port whichever way the number goes, and the wire trace sees all it does.
class RoutedSerialPort : public SerialPort
{
    Q_OBJECT
public:
    RoutedSerialPort(const PortMap &map, std::unique_ptr<SerialPort> local,
                     std::unique_ptr<SerialPort> network, QObject *parent = nullptr);

    void setPortNumber(int port) override;
    int portNumber() const override { return m_active->portNumber(); }
    void setPortMap(const PortMap &map) override;
    void setBaudRate(qint32 baudRate) override;
    QString deviceName() const override { return m_active->deviceName(); }
    bool deviceExists() const override { return m_active->deviceExists(); }
    bool open() override;
    void claim() override { m_active->claim(); }
    void close() override;
    QString errorString() const override { return m_active->errorString(); }
    RefusalCause refusalCause() const override { return m_active->refusalCause(); }
    QString refusalDetail() const override { return m_active->refusalDetail(); }
    QByteArray readAll() override;
    bool isOpen() const override { return m_active->isOpen(); }
    void write(const QByteArray &frame) override;
    DeviceIdentity identity() const override { return m_active->identity(); }
    DeviceIdentity presentIdentity() const override { return m_active->presentIdentity(); }
    DeviceIdentity openedIdentity() const override { return m_active->openedIdentity(); }
    QByteArrayList takeUnsent() override { return m_active->takeUnsent(); }
    bool waitUntilSent(int timeoutMs) override;
    bool isConnecting() const override { return m_active->isConnecting(); }
    int roundTripMs() const override { return m_active->roundTripMs(); }
    QString failureText() const override { return m_active->failureText(); }

private:
    void relay(SerialPort &port);
    QString traceName() const;

    PortMap m_map;
    qint32 m_baudRate = 0;
    std::unique_ptr<SerialPort> m_local;
    std::unique_ptr<SerialPort> m_network;
    SerialPort *m_active;
};

// The system's serial port with the network beside it, at the given line speed, 8N1.
std::unique_ptr<SerialPort> makeSerialPort(const PortMap &map, qint32 baudRate);

} // namespace qm
