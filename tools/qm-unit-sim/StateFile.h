#pragma once

#include "model/ChannelTable.h"
#include "tools/qm-unit-sim/UnitWire.h"

#include <QByteArrayView>

#include <optional>

namespace qm::sim {

// A unit's twelve channels as text, one line per channel, fields joined by "|", in
// Windows-1252 with CRLF or LF line ends. A line holds the model's byte fields as decimal
// numbers, then the three text lines; then, optionally, the record's remaining byte fields.
// For the QM-520A that is the export file's line with an optional TimeFont after it; for
// the QM-410A, its twelve record fields in order and the three texts.
//
// Texts are not escaped, so a "|" inside one makes more fields than expected. The surplus
// belongs to the third text, except that trailing plain numbers fill the optional fields.
// A third text that really ends in "|" and a number cannot be told apart from that.
class StateFile
{
public:
    struct Result
    {
        std::optional<ChannelTable> table;
        QString error; // names the line at fault; empty when the table was read
    };

    explicit StateFile(const UnitWire &wire);

    Result parse(QByteArrayView contents) const;
    // Only a regular file of a state file's size is read.
    Result load(const QString &path) const;

private:
    // Fills record from one line's fields, or says what is wrong with them.
    QString readLine(const QStringList &fields, ChannelSettings &record) const;
    QString readNumbers(const QStringList &fields, const std::vector<Field> &order, qsizetype first,
                        ChannelSettings &record) const;
    qsizetype optionalFieldsPresent(const QStringList &fields) const;

    std::vector<Field> m_leadingFields;
    std::vector<Field> m_optionalFields;
};

} // namespace qm::sim
