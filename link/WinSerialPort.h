#pragma once

#include "link/PortMap.h"
#include "link/SerialPort.h"
#include "link/UnsentFrames.h"

#include <QTimer>
#include <QWinEventNotifier>

#include <memory>
#include <vector>

namespace qm {

// The panel's port on Windows: a COM device through Win32 overlapped I/O at the model's line
// speed, 8N1, no flow control. One read and one write are outstanding at a time, each with its
// own event that a QWinEventNotifier hands to the event loop; no wait for the driver is without
// a limit, and a write it does not finish in time is a line failure. Frames handed to write() are
// kept until the driver has written them, so that the link can send the rest after a reopen.
class WinSerialPort : public SerialPort
{
    Q_OBJECT
public:
    WinSerialPort(PortMap map, qint32 baudRate, IdentityReader readIdentity = readDeviceIdentity,
                  QObject *parent = nullptr);
    ~WinSerialPort() override;

    void setPortNumber(int port) override { m_portNumber = port; }
    int portNumber() const override { return m_portNumber; }
    void setPortMap(const PortMap &map) override { m_map = map; }
    void setBaudRate(qint32 baudRate) override { m_baudRate = quint32(baudRate); }
    QString deviceName() const override;
    bool deviceExists() const override;
    bool open() override;
    void claim() override;
    void close() override;
    QString errorString() const override { return m_error; }
    RefusalCause refusalCause() const override { return m_refusalCause; }
    QByteArray readAll() override { return std::exchange(m_received, {}); }
    bool isOpen() const override;
    void write(const QByteArray &frame) override;
    DeviceIdentity identity() const override { return m_identity; }
    DeviceIdentity presentIdentity() const override;
    DeviceIdentity openedIdentity() const override;
    QByteArrayList takeUnsent() override;
    bool waitUntilSent(int timeoutMs) override;

private:
    struct Transfer;

    void startReading();
    void onReadDone();
    void startWriting();
    void onWriteDone();
    void onWriteOverdue();
    qint64 settle(std::unique_ptr<Transfer> &transfer, QWinEventNotifier &done);
    void fail();
    void failWith(const QString &error);

    PortMap m_map;
    quint32 m_baudRate;
    IdentityReader m_readIdentity;
    int m_portNumber = 0;
    void *m_handle;
    std::unique_ptr<Transfer> m_read;
    std::unique_ptr<Transfer> m_write;
    QWinEventNotifier m_readDone;
    QWinEventNotifier m_writeDone;
    QTimer m_writeWatch;
    // Cancelled transfers whose buffers a stalled driver has not given back.
    std::vector<std::unique_ptr<Transfer>> m_stalled;
    QByteArray m_received;
    UnsentFrames m_unsent;
    DeviceIdentity m_identity;
    QString m_error;
    RefusalCause m_refusalCause = RefusalCause::Other;
    // Counts the opens, so that a failure is reported once per open and a report that comes
    // after a reopen is dropped.
    quint64 m_session = 0;
    quint64 m_reportedSession = 0;
};

} // namespace qm
