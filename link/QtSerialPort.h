#pragma once

#include "link/PortMap.h"
#include "link/SerialDevice.h"
#include "link/SerialPort.h"
#include "link/UnsentFrames.h"

#include <QElapsedTimer>
#include <QSerialPort>

#include <optional>

namespace qm {

// The panel's port on real hardware: QSerialPort at the model's line speed, 8N1, no flow
// control, raw bytes, on a device no other of our programs holds. Frames handed to write() are kept
// until the driver has taken them, so that the link can send the rest to the same device after a
// reopen, or name them when it cannot. It also shields the link from QSerialPort faults on Linux
// (see QtSerialPort.cpp): only a port that really stopped working is reported as failed().
class QtSerialPort : public SerialPort
{
    Q_OBJECT
public:
    QtSerialPort(PortMap map, qint32 baudRate, IdentityReader readIdentity = readDeviceIdentity,
                 QObject *parent = nullptr);

    void setPortNumber(int port) override;
    int portNumber() const override { return m_portNumber; }
    void setPortMap(const PortMap &map) override { m_map = map; }
    void setBaudRate(qint32 baudRate) override { m_serial.setBaudRate(baudRate); }
    QString deviceName() const override;
    bool deviceExists() const override;
    bool open() override;
    void claim() override;
    void close() override;
    QString errorString() const override;
    RefusalCause refusalCause() const override;
    QString refusalDetail() const override;
    QByteArray readAll() override;
    bool isOpen() const override;
    void write(const QByteArray &frame) override;
    DeviceIdentity identity() const override { return m_identity; }
    DeviceIdentity presentIdentity() const override;
    DeviceIdentity openedIdentity() const override;
    QByteArrayList takeUnsent() override;

    // Bytes written but not yet taken by the driver.
    qsizetype unsentBytes() const;
    bool waitUntilSent(int timeoutMs) override;

private:
    void onError(QSerialPort::SerialPortError error);
    void forgetTaken();
    bool stillWorks() const;
    bool tooManyErrors();
    void reportFailureOnce();
    void reportFailure(quint64 session);

    PortMap m_map;
    IdentityReader m_readIdentity;
    serialdevice::DeviceLock m_lock; // held while the port is open
    QSerialPort m_serial;
    int m_portNumber = 0;
    DeviceIdentity m_identity;
    UnsentFrames m_unsent;
    QByteArrayList m_refused; // frames QSerialPort would not take, after those it holds
    // Why the last open() failed on a device that is there; nothing after one that succeeded.
    std::optional<serialdevice::Refusal> m_refusal;
    // Counts the opens, so that a failure is reported once per open and a report that comes
    // after a reopen is dropped.
    quint64 m_session = 0;
    quint64 m_reportedSession = 0;
    QElapsedTimer m_errorWindow;
    int m_errorsInWindow = 0;
};

} // namespace qm
