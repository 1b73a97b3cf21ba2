#include "tools/qm-unit-sim/UnitSimulator.h"

#include <algorithm>
#include <cmath>

namespace qm::sim {

namespace {

constexpr int BitsPerByte = 10; // start bit, 8 data bits, stop bit
// A late reply leaves this many bytes at a time, as an adapter hands on what it received.
constexpr int BytesPerLatePiece = 5;

int lineDuration(const UnitWire &wire, qsizetype bytes)
{
    return static_cast<int>(std::lround(bytes * BitsPerByte * 1000.0 / wire.baudRate));
}

} // namespace

UnitSimulator::UnitSimulator(const UnitWire &wire, SimulatedUnit &unit, ReplyShaper &shaper,
                             QObject *parent)
    : QObject(parent), m_wire(wire), m_unit(unit), m_shaper(shaper), m_decoder(wire),
      m_replyDurationMs(lineDuration(wire, ReplyBytes))
{
    m_quietTimer.setSingleShot(true);
    m_quietTimer.setInterval(QuietMs);
    connect(&m_quietTimer, &QTimer::timeout, this, [this] { handle(m_decoder.flush()); });
    m_lineTimer.setSingleShot(true);
    m_lineTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_lineTimer, &QTimer::timeout, this, &UnitSimulator::sendNextPiece);
    m_clock.start();
}

void UnitSimulator::receive(QByteArrayView bytes)
{
    m_inboundEndMs =
        std::max(m_inboundEndMs, m_clock.elapsed()) + lineDuration(m_wire, bytes.size());
    handle(m_decoder.feed(bytes));
    if (m_decoder.hasPendingBytes())
        m_quietTimer.start();
    else
        m_quietTimer.stop();
}

void UnitSimulator::receiveNoise(QByteArrayView bytes)
{
    handle(m_decoder.flush());
    m_quietTimer.stop();
    handle({{bytes.toByteArray(), std::nullopt}});
}

void UnitSimulator::handle(const QList<CommandFrameDecoder::Piece> &pieces)
{
    for (const CommandFrameDecoder::Piece &piece : pieces) {
        const QString hex = QString::fromLatin1(piece.bytes.toHex());
        if (!piece.frame) {
            emit logLine(hex + QStringLiteral("\tunparsed"));
            continue;
        }
        emit logLine(hex + u'\t' + describeFrame(m_wire, *piece.frame));
        m_unit.apply(*piece.frame);
        if (piece.frame->command == Code::Request)
            queueReply(piece.frame->channel);
    }
}

void UnitSimulator::queueReply(int channel)
{
    const std::optional<QByteArray> reply = m_unit.replyFor(channel);
    if (!reply)
        return;
    QList<TimedPiece> pieces = m_shaper.shape(*reply);
    if (m_lateMs > 0) {
        pieces = atLineSpeed(pieces);
        pieces.front().delayMs +=
            m_lateMs + static_cast<int>(std::max<qint64>(0, m_inboundEndMs - m_clock.elapsed()));
    } else if (m_paced) {
        pieces.front().delayMs += m_replyDurationMs;
    }
    m_outgoing += pieces;
    if (!m_lineTimer.isActive())
        scheduleNextPiece();
}

QList<TimedPiece> UnitSimulator::atLineSpeed(const QList<TimedPiece> &pieces) const
{
    QList<TimedPiece> paced;
    for (const TimedPiece &piece : pieces) {
        for (qsizetype at = 0; at < piece.bytes.size(); at += BytesPerLatePiece) {
            const QByteArray bytes = piece.bytes.mid(at, BytesPerLatePiece);
            paced.append({lineDuration(m_wire, bytes.size()), bytes});
        }
    }
    return paced;
}

void UnitSimulator::scheduleNextPiece()
{
    if (!m_outgoing.isEmpty())
        m_lineTimer.start(m_outgoing.front().delayMs);
}

void UnitSimulator::sendNextPiece()
{
    emit transmit(m_outgoing.takeFirst().bytes);
    scheduleNextPiece();
}

} // namespace qm::sim
