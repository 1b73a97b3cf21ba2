#pragma once

#include "model/Field.h"

#include <QString>

#include <vector>

namespace qm::sim {

// How one unit model lays a channel's settings on the wire, written down for the emulated unit
// on its own, apart from the panels' tables, so that a run against it checks one reading of
// the protocol against another.

inline constexpr quint8 FrameEnd = 0xFA;
inline constexpr quint8 ReplyOpen = 0xFC;
inline constexpr quint8 ReplyClose = 0xF8;
inline constexpr int ReplyDataBytes = 103;
inline constexpr int ReplyBytes = ReplyDataBytes + 2;
inline constexpr int TextBytes = 30;
inline constexpr quint8 TextFill = 0x80;
inline constexpr int FirstTextByte = 13; // the three lines follow one another from here

// The command codes a unit takes.
enum class Code : quint8
{
    Data = 2,
    BlankOn = 3,
    BlankOff = 4,
    Line1 = 5,
    Line2 = 6,
    Line3 = 7,
    Request = 8,
    Font = 9,
};

// A reply data byte holding one field: d[byte] = (field & mask) << shift.
struct ReplyPlace
{
    int byte;
    Field field;
    int shift;
    quint8 mask;
};

struct UnitWire
{
    QString name; // as the command line spells it
    int baudRate;
    std::vector<Field> recordFields; // the record's own order, a state file's for the QM-410A
    std::vector<Field> exportFields; // a line of the QM-520A export file; empty: none
    std::vector<Field> dataPayload;  // command 2
    std::vector<ReplyPlace> replyPlaces;
    int channelByte; // reply data byte naming the channel
    bool hasTimeFont;
};

const UnitWire &qm410aWire();
const UnitWire &qm520aWire();
// The model named "410a" or "QM-410A", "520a" or "QM-520A" (any case), or none.
const UnitWire *unitWireByName(const QString &name);

} // namespace qm::sim
