#pragma once

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace qm::sim {

// The emulated unit's end of a pseudo-terminal; panels open the other end, the slave device,
// as the unit's serial port. The port keeps a descriptor of the slave open (and never reads
// it), so the master does not hang up each time a panel closes the device.
class PtyPort : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~PtyPort() override;
    PtyPort(const PtyPort &) = delete;
    PtyPort &operator=(const PtyPort &) = delete;

    bool open();
    QString slavePath() const { return m_slavePath; }
    QString errorString() const { return m_error; }
    // Whether the panel has set the device to the unit's line: this speed, 8 data bits, no
    // parity, one stop bit. On any other setting the two ends hear each other as noise.
    bool lineRunsAt(int baudRate) const;
    // Never blocks: what the line cannot take now (nobody reading for a long while) is
    // dropped and reported on stderr.
    void write(const QByteArray &bytes);

signals:
    void received(const QByteArray &bytes);

private:
    bool fail(const char *step);
    void readAvailable();
    void pauseReading();

    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_error;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace qm::sim
