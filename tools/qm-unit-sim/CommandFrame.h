#pragma once

#include "tools/qm-unit-sim/UnitWire.h"

#include <QByteArray>
#include <QString>

namespace qm::sim {

// One command as the emulated unit took it from the line.
struct CommandFrame
{
    Code command = Code::Request;
    quint8 channel = 0;
    QByteArray payload;
};

// How many payload bytes the model's unit reads before this command code, or -1 for a code
// the unit does not know.
int payloadLength(const UnitWire &wire, quint8 command);

// The text line a text payload carries: up to its first fill byte.
QString lineText(const QByteArray &payload);

// The readable half of a log line: `data ch=3 TextEnables=7 ...`, `text2 ch=0 "HELLO"`.
QString describeFrame(const UnitWire &wire, const CommandFrame &frame);

} // namespace qm::sim
