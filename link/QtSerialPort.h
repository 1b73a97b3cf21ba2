#pragma once

#include "PortMap.h"
#include "SerialPort.h"

#include <QElapsedTimer>
#include <QSerialPort>

namespace qm {

// The panel's port on real hardware: QSerialPort at the model's line speed, 8N1, no flow
// control, raw bytes. Bytes handed to write() are kept until the driver has taken them, so a
// close and reopen of the same port (the link's recovery) sends the rest instead of losing
// them. It also shields the link from QSerialPort faults on Linux (see QtSerialPort.cpp):
// only a port that really stopped working is reported as failed().
class QtSerialPort : public SerialPort
{
    Q_OBJECT
public:
    QtSerialPort(PortMap map, qint32 baudRate, QObject *parent = nullptr);

    void setPortNumber(int port) override;
    int portNumber() const override { return m_portNumber; }
    QString deviceName() const override;
    bool deviceExists() const override;
    bool open() override;
    void close() override;
    QString errorString() const override;
    RefusalCause refusalCause() const override { return m_refusalCause; }
    QByteArray readAll() override;
    bool isOpen() const override;
    void write(const QByteArray &frame) override;

    // Bytes written but not yet taken by the driver.
    qsizetype unsentBytes() const { return m_unsent.size(); }

private:
    void onError(QSerialPort::SerialPortError error);
    void onBytesWritten(qint64 count);
    bool stillWorks() const;
    bool tooManyErrors();
    void reportFailure(quint64 session);

    PortMap m_map;
    QSerialPort m_serial;
    int m_portNumber = 0;
    QByteArray m_unsent;
    QString m_openError;
    RefusalCause m_refusalCause = RefusalCause::Other;
    // Counts the opens, so that a failure is reported once per open and a report that comes
    // after a reopen is dropped.
    quint64 m_session = 0;
    quint64 m_reportedSession = 0;
    QElapsedTimer m_errorWindow;
    int m_errorsInWindow = 0;
};

} // namespace qm
