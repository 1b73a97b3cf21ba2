#pragma once

#include "tools/qm-unit-sim/CommandFrameDecoder.h"
#include "tools/qm-unit-sim/ReplyShaper.h"
#include "tools/qm-unit-sim/SimulatedUnit.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace qm::sim {

// The emulated unit at work: decodes what a panel sends, logs every frame, applies it and
// answers each settings request once the reply's 105 bytes would have crossed the line.
// Replies leave one after another, as on a real serial line.
class UnitSimulator : public QObject
{
    Q_OBJECT
public:
    // A pause this long ends any frame still being received.
    static constexpr int QuietMs = 50;

    UnitSimulator(const UnitWire &wire, SimulatedUnit &unit, ReplyShaper &shaper,
                  QObject *parent = nullptr);

    void receive(QByteArrayView bytes);
    // Bytes sent at another line speed or format: the unit cannot make them out.
    void receiveNoise(QByteArrayView bytes);
    const SimulatedUnit &unit() const { return m_unit; }
    // Milliseconds a whole reply takes at the model's line speed (10 bits per byte).
    int replyDurationMs() const { return m_replyDurationMs; }
    // Unpaced, a reply leaves as soon as it is asked for.
    void setPaced(bool paced) { m_paced = paced; }
    // Late, a reply begins this long after its request has come in over the line, at line
    // speed however fast the pseudo-terminal brought it, and then leaves a few bytes at a time,
    // each piece once it would have crossed the line.
    void setLate(int ms) { m_lateMs = ms; }

signals:
    // Bytes for the line.
    void transmit(const QByteArray &bytes);
    // One line per frame or unparsed piece: hex bytes, a tab, what they mean.
    void logLine(const QString &line);

private:
    void handle(const QList<CommandFrameDecoder::Piece> &pieces);
    void queueReply(int channel);
    QList<TimedPiece> atLineSpeed(const QList<TimedPiece> &pieces) const;
    void scheduleNextPiece();
    void sendNextPiece();

    const UnitWire &m_wire;
    SimulatedUnit &m_unit;
    ReplyShaper &m_shaper;
    CommandFrameDecoder m_decoder;
    QTimer m_quietTimer;
    QTimer m_lineTimer;
    QList<TimedPiece> m_outgoing;
    QElapsedTimer m_clock;
    qint64 m_inboundEndMs = 0; // when what came in so far would have crossed the line
    int m_replyDurationMs;
    bool m_paced = true;
    int m_lateMs = 0;
};

} // namespace qm::sim
