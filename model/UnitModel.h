#pragma once

#include "model/Field.h"

#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace qm {

// One byte of a settings reply that feeds a record field: field = (d[dataIndex] >> shift) & mask.
struct ReplyByte
{
    quint8 dataIndex;
    Field field;
    quint8 shift;
    quint8 mask;
};

// The frame a multi-channel update sends right after copying a group, before the data frame.
enum class ExtraFrame : quint8
{
    None,
    Blank,
    Text,
    TimeFont,
};

// One item of the multi-channel update's settings list and what it copies.
struct UpdateGroup
{
    QString caption;
    std::vector<Field> fields;
    int textLine = -1; // 0..2 when the group copies a text line
    ExtraFrame extra = ExtraFrame::None;
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
    std::vector<Field> recordFields; // the byte fields in the record's own order
    std::vector<Field> dataPayload;  // channel data frame (command 2) payload order
    std::vector<ReplyByte> replyBytes;
    quint8 replyChannelByte = 0;     // data byte that names the channel
    std::vector<Field> exportFields; // byte fields of an export line; empty: no export
    bool hasTimeFont = false;
    std::array<UpdateGroup, 12> updateGroups;
    // The largest value each record field means something for (a list's last index, 1 for a
    // check box, what the reply's bits can carry for position and size); 0 for the fields the
    // model lacks.
    std::array<quint8, FieldCount> fieldMaximum{};

    bool exportsSettings() const { return !exportFields.empty(); }
    quint8 maximum(Field field) const { return fieldMaximum[static_cast<std::size_t>(field)]; }
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
