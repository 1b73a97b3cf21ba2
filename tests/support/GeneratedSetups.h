#pragma once

#include "protocol/SetupFile.h"

#include <QByteArrayList>
#include <QJsonObject>
#include <QMap>
#include <QRandomGenerator>

#include <vector>

namespace qm::test {

// Setups a unit can hold and a restore can set exactly, generated for round-trip properties.
// What may travel is typed here from the units' wire description, apart from the program's
// own tables: each field up to what its reply bits return (Blank only on or off), never a
// value whose reply byte would be a frame marker, and texts of at most 30 characters of the
// unit's character set, without the pad or marker characters or blanks at either end, and
// no frame that would hold a shorter one.

struct FieldRange
{
    Field field;
    int largest;
};

// Every byte field of the model with the largest value that makes the trip.
const std::vector<FieldRange> &roundTripRanges(const UnitModel &model);

// Every field at its largest value and texts of 30 characters, 0xFA among them.
ChannelSettings largestChannel(const UnitModel &model, int seed);
ChannelSettings randomChannel(const UnitModel &model, QRandomGenerator &random);
// A random channel with, in its channel data or one of its lines, a command code, a channel
// (also 12 or 13) and 0xFA in a row: often where that command's frame would end, so that the
// unit would take a shorter frame out of the longer one, and often somewhere else.
ChannelSettings channelWithFrameEnd(const UnitModel &model, QRandomGenerator &random);
// Random channels; with `partial` some channels are left out of it.
Setup randomSetup(const UnitModel &model, QRandomGenerator &random, bool partial);

// The channel data frame and the three text frames of a channel, built as the emulated unit
// reads them, whether or not a sender would send them.
QByteArrayList payloadFrames(const UnitModel &model, const ChannelSettings &record, int index);
// Where the emulated unit ends the first frame it takes from the bytes: the index of its 0xFA,
// or -1 when it takes none.
qsizetype emulatedFrameEnd(const UnitModel &model, QByteArrayView bytes);
// Whether a unit could take a shorter frame out of the frame: the emulated unit does, or, on a
// model without the time font, its code stands before a channel and 0xFA, with a length no
// one can know.
bool holdsShorterFrame(const UnitModel &model, QByteArrayView frame);

// The channel objects of a setup file by channel number, read without the program's reader.
QMap<int, QJsonObject> channelObjects(const QByteArray &file);

// The model a row names by its short name ("410a", "520a").
const UnitModel &modelNamed(const QString &name);
// A "model" column with one row per model, for tests that hold for both.
void addModelRows();

} // namespace qm::test
