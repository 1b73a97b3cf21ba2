#pragma once

#include "protocol/FileOutput.h"

#include "model/ChannelTable.h"
#include "model/UnitModel.h"

#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace qm {

// A file of every channel keeps the first version, which earlier releases read too; one that
// lacks channels (they did not answer when it was made) is of the second.
inline constexpr int CompleteSetupVersion = 1;
inline constexpr int PartialSetupVersion = 2;

// A unit's setup as a file holds it: the channels it holds, and which byte fields it gives
// (a QM-520A settings.txt lacks TimeFont, which then stays as the unit has it).
struct Setup
{
    const UnitModel *model = nullptr;
    ChannelTable channels;
    std::vector<Field> fields;
    // Indices of the channels the file holds, ascending; the other records mean nothing.
    QList<int> present;

    bool holds(int index) const { return present.contains(index); }
    // These channels of the table, with every byte field of the model.
    static Setup of(const UnitModel &model, const ChannelTable &table, const QList<int> &present);
};

struct SetupReadResult
{
    std::optional<Setup> setup;
    QString error; // names the file, the line or channel, the field and what was wrong
};

// Reads a setup file, or a QM-520A settings.txt as the panel writes it, for this model. The
// whole file is checked before anything is returned: it must be a regular file of at most
// 1 MiB, and every value one a unit could have reported (a byte field inside what its reply
// bits carry, no reply byte a marker, a text line a reply could carry). The window's lists
// gate nothing here; see RoundTrip.h for what can be restored and what is unusual.
SetupReadResult readSetupFile(const QString &path, const UnitModel &model);
SetupReadResult parseSetup(const QByteArray &contents, const QString &fileName,
                           const UnitModel &model);

// The setup file: JSON in UTF-8, one object per channel the setup holds.
QByteArray setupJson(const Setup &setup);
WriteResult writeSetupFile(const QString &path, const Setup &setup, FileOutput &output);

// A field whose value the unit and the file disagree on; values as the setup file holds them:
// a number for a byte field, the text as it is for a text line.
struct FieldDifference
{
    int channel = 0; // index 0..11
    QString field;
    QJsonValue fileValue;
    QJsonValue unitValue;
};

// The fields of one channel that the unit does not hold as the file gives them, texts as they
// are: a text the file may hold makes the trip to the unit and back unchanged.
QList<FieldDifference> channelDifferences(const Setup &setup, int channel,
                                          const ChannelSettings &unit);
// "channel 3 HorizPos: file 12, unit 14"
QString describeDifference(const FieldDifference &difference);
// The change sending the file's value makes: "HorizPos 14 \u2192 12", "Text1 \"A\" \u2192 \"B\"".
QString describeChange(const FieldDifference &difference);

// "Text1" to "Text3", as files and messages name the text lines 0 to 2.
QString textLineName(int line);

} // namespace qm
