#pragma once

#include "model/Field.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace qm {

// Marks a field that a frame or file does not carry, or that no multiple-update group copies.
inline constexpr int Nowhere = -1;

// Where a settings reply carries a field: field = (d[byte] >> shift) & mask.
struct ReplyPlace
{
    quint8 byte;
    quint8 shift;
    quint8 mask;
};

// The frame that carries a field to the unit when the field alone is sent.
enum class FieldFrame : quint8
{
    Data,     // command 2, with every other byte setting of the channel
    Blank,    // command 3 or 4
    TimeFont, // command 9
};

// Every fact about one byte field of a model. A model's fields are a table of these rows, and
// every list the protocol reads is derived from it, so a new setting is one row.
struct FieldRow
{
    Field field;
    int record;  // place in the record's own order, as setup files list it
    int payload; // place in the channel data frame (command 2); Nowhere: not sent in it
    FieldFrame frame;
    ReplyPlace reply;
    int exported; // place in a settings.txt line; Nowhere: not exported
    // The largest value the window sets: its list's last entry, the bits of its check boxes,
    // what the reply's bits carry for position and size.
    quint8 maximum;
    const char *group; // caption of the multiple-update group that copies it; nullptr: none
};

// One byte of a settings reply that feeds a record field, as the reply is read.
struct ReplyByte
{
    quint8 dataIndex;
    Field field;
    quint8 shift;
    quint8 mask;
};

// One item of the multi-channel update's settings list, as the model's group table writes it;
// the fields name their group themselves.
struct GroupRow
{
    const char *caption;
    int textLine = Nowhere; // 0..2 when the group copies a text line
};

// One item of the multi-channel update's settings list and what it copies.
struct UpdateGroup
{
    QString caption;
    std::vector<Field> fields;
    int textLine = -1; // 0..2 when the group copies a text line
    // The copied fields that travel in frames of their own, sent right after the copy; the
    // others go in the channel's one data frame.
    std::vector<Field> ownFrames;
};

// Everything the protocol and the channel model need to know about one unit model. The
// algorithms read these tables, so both programs share every line that works on them.
struct UnitModel
{
    QString name;            // "QM-410A"
    QString shortName;       // "410a", as the emulator's command line spells it
    QString windowTitle;     // the main window's caption and the message box title
    QString preferencesName; // application name in the preferences store
    qint32 baudRate = 0;
    quint8 replyChannelByte = 0;  // data byte that names the channel
    std::vector<FieldRow> fields; // in record order

    // Derived from the rows above, each in the order its frame or file uses.
    std::vector<Field> recordFields;
    std::vector<Field> dataPayload;
    std::vector<ReplyByte> replyBytes; // by data byte
    std::vector<Field> exportFields;   // empty: the model exports no settings.txt
    std::vector<UpdateGroup> updateGroups;
    bool hasTimeFont = false;

    bool exportsSettings() const { return !exportFields.empty(); }
    // Fields of a settings.txt line: the exported byte fields, then the text lines.
    int exportLineFieldCount() const
    {
        return static_cast<int>(exportFields.size()) + TextLineCount;
    }
    // The row's maximum; 0 for a field the model lacks.
    quint8 maximum(Field field) const;
    // The field's row; nullptr for a field the model lacks.
    const FieldRow *row(Field field) const;
};

const UnitModel &qm410a();
const UnitModel &qm520a();
// Every model, in the order above.
const std::array<const UnitModel *, 2> &unitModels();
// The model whose shortName or name matches, ignoring case.
std::optional<std::reference_wrapper<const UnitModel>> unitModelByName(const QString &name);
// Every model, `first` leading and the others after it.
std::vector<const UnitModel *> unitModelsFrom(const UnitModel &first);

} // namespace qm
