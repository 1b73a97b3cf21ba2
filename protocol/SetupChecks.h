#pragma once

#include "protocol/SetupFile.h"

#include "model/ChannelSettings.h"
#include "model/UnitModel.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace qm::setupcheck {

// The checks both setup readers (the setup file and settings.txt) make on what they read.
// Each stops at the first fault; the message is built where the fault is seen.
struct Fault
{
    QString where; // "line 4, field 9 (HorizPos)", "channel 3, HorizSize", "" for the file
    QString what;
};

using Checked = std::optional<Fault>;

// "FILE: WHERE: WHAT", the refusal of the whole file.
SetupReadResult refused(const QString &fileName, const Fault &fault);

// A byte field takes what its reply bits can carry back, whatever the window offers; shown
// is the value as the file writes it.
Checked checkRange(const UnitModel &model, Field field, double value, const QString &where,
                   const QString &shown);

Checked checkText(const QString &text, const QString &where);

// A record whose values would put a marker into a reply cannot have come from a unit.
Checked checkReplyBytes(const UnitModel &model, const ChannelSettings &record,
                        const std::vector<Field> &fields, const QString &where);

// The line of the first byte sequence that is not UTF-8, or 0 when all of it is.
int firstLineNotUtf8(const QByteArray &contents);

} // namespace qm::setupcheck
