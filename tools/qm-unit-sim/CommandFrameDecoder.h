#pragma once

#include "tools/qm-unit-sim/CommandFrame.h"

#include <QList>

#include <optional>

namespace qm::sim {

// Splits what a panel sends into command frames. Frames have no start marker and a payload
// may hold the end marker 250, so a frame is known by its end: a 250 preceded by a command
// the model knows and a channel 0 to 11, with exactly that command's payload since the
// frame began. Bytes that cannot begin a frame are handed out together as one unparsed piece.
class CommandFrameDecoder
{
public:
    // A frame, or (without frame) bytes that belong to none.
    struct Piece
    {
        QByteArray bytes;
        std::optional<CommandFrame> frame;
    };

    explicit CommandFrameDecoder(const UnitWire &wire);

    QList<Piece> feed(QByteArrayView bytes);
    // The line went quiet: nothing held back can still become a frame.
    QList<Piece> flush();
    bool hasPendingBytes() const { return !m_buffer.isEmpty() || !m_unparsed.isEmpty(); }

private:
    std::optional<CommandFrame> frameOf(QByteArrayView bytes) const;
    std::optional<qsizetype> firstFrameLength() const;
    void settle(bool quiet, QList<Piece> &out);
    void takeUnparsed(QList<Piece> &out);

    const UnitWire &m_wire;
    QByteArray m_buffer;   // from where the next frame may begin
    QByteArray m_unparsed; // bytes that turned out to begin no frame
};

} // namespace qm::sim
