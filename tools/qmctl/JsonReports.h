#pragma once

#include "protocol/RoundTrip.h"
#include "protocol/SetupFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace qm {

// The unit a run spoke to, as the JSON reports name it.
struct RunPlace
{
    const UnitModel &model;
    QString port;
    QString device;
};

// What diff found: channel indices 0..11.
struct DiffFindings
{
    QList<FieldDifference> differences;
    QList<int> notAnswered; // in the file, but the unit did not answer
    QList<int> notInFile;   // the unit answered, but the file does not hold it
};

// diff --json: {"model", "port", "device", "file", "differences": [{"channel", "field",
// "file", "unit"}], "notAnswered", "notInFile"}, channels numbered 1 to 12.
QByteArray diffJson(const RunPlace &place, const QString &file, const DiffFindings &findings);

// What a read ended with, for read --summary-json.
struct ReadFindings
{
    QList<int> answered;
    QList<int> silent;
    bool lineFailed = false;
    QList<int> unreached;
    QList<SettingProblem> unrestorable;
};

// {"model", "port", "device", "answered", "silent", "lineFailed", "unreached",
// "unrestorable": [{"channel", "setting", "value", "reason"}]}, channels numbered 1 to 12.
QByteArray readSummaryJson(const RunPlace &place, const ReadFindings &findings);

} // namespace qm
