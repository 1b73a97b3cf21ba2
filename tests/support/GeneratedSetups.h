#pragma once

#include "protocol/SetupFile.h"

#include <QRandomGenerator>

#include <vector>

namespace qm::test {

// Setups a unit can hold and a restore can set exactly, generated for round-trip properties.
// What may travel is typed here from the units' wire description, apart from the program's
// own tables: each field up to what its reply bits return (Blank only on or off), never a
// value whose reply byte would be a frame marker, and texts of at most 30 characters of the
// unit's character set, without the pad or marker characters or blanks at either end.

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
// Random channels; with `partial` some channels are left out of it.
Setup randomSetup(const UnitModel &model, QRandomGenerator &random, bool partial);

// The model a row names by its short name ("410a", "520a").
const UnitModel &modelNamed(const QString &name);
// A "model" column with one row per model, for tests that hold for both.
void addModelRows();

} // namespace qm::test
