#pragma once

#include "tools/qm-unit-sim/UnitWire.h"

#include <QByteArray>
#include <QList>
#include <QRandomGenerator>

namespace qm::sim {

// Line faults the emulated unit can put on its replies; all off by default.
struct LineFaults
{
    bool split = false;     // each reply in small pieces, a few milliseconds apart
    bool noise = false;     // stray bytes (never a marker) in front of each reply
    bool badFrames = false; // now and then a malformed reply in front of the good one
};

// Bytes to write once delayMs have passed since the previous piece went out.
struct TimedPiece
{
    int delayMs = 0;
    QByteArray bytes;
};

// Decides how a reply goes onto the line: whole, or with the chosen faults.
class ReplyShaper
{
public:
    ReplyShaper(const UnitWire &wire, LineFaults faults, QRandomGenerator &random);

    QList<TimedPiece> shape(const QByteArray &reply);

private:
    QByteArray noise();
    QByteArray badFrame(const QByteArray &reply);
    void appendPieces(QList<TimedPiece> &out, const QByteArray &bytes);
    int between(int lowest, int highest);

    int m_channelPosition; // where a reply carries its channel index
    LineFaults m_faults;
    QRandomGenerator &m_random;
};

} // namespace qm::sim
