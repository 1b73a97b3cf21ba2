#pragma once

#include "protocol/SetupFile.h"

#include "model/ChannelSettings.h"
#include "model/UnitModel.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace qm::setupcheck {

// The checks both setup readers (the setup file and settings.txt) make on what they read.
// Each check gives its first fault; the message is built where the fault is seen. A reader
// goes on past a wrong value, so that one refusal names every value to mend, and stops where
// the file's shape leaves nothing sure to read on.
struct Fault
{
    QString where; // "line 4, field 9 (HorizPos)", "channel 3, HorizSize", "" for the file
    QString what;
};

using Checked = std::optional<Fault>;

// The faults a reader found, in the order it found them.
class Faults
{
public:
    // Keeps the fault, if there is one; true when there was.
    bool add(const Checked &fault);
    bool isEmpty() const { return m_faults.isEmpty(); }
    qsizetype size() const { return m_faults.size(); }
    const QList<Fault> &list() const { return m_faults; }

private:
    QList<Fault> m_faults;
};

// "FILE: WHERE: WHAT", the refusal of the whole file.
SetupReadResult refused(const QString &fileName, const Fault &fault);
// One fault as above; several as "FILE: 3 faults:" and a line for each, the first ten of
// them, then how many more.
SetupReadResult refused(const QString &fileName, const Faults &faults);

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
