#include "model/UnitModel.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace qm {

namespace {

using F = Field;
constexpr int No = Nowhere;
constexpr FieldFrame Data = FieldFrame::Data;
constexpr FieldFrame OwnBlank = FieldFrame::Blank;
constexpr FieldFrame OwnTimeFont = FieldFrame::TimeFont;

// Position and size are packed the same way by both units.
constexpr ReplyPlace HorizPosBits{0, 0, 0xFF};
constexpr ReplyPlace HorizSizeBits{1, 4, 0x0F};
constexpr ReplyPlace VertPosBits{2, 2, 0x3F};
constexpr ReplyPlace VertSizeBits{2, 0, 0x03};

constexpr ReplyPlace wholeByte(quint8 byte)
{
    return {byte, 0, 0xFF};
}

// clang-format off
constexpr std::array Qm410aFields{
    //       field             record payload frame        reply             export max  group
    FieldRow{F::TextEnables,   0,     0,      Data,        wholeByte(9),     No,    7,   "Text Enables"},
    FieldRow{F::DateMode,      1,     1,      Data,        wholeByte(8),     No,    2,   nullptr},
    FieldRow{F::TimeCodeInput, 2,     2,      Data,        {7, 0, 0x01},     No,    1,   "Time Code Input"},
    FieldRow{F::HourMode,      3,     3,      Data,        {6, 0, 0x01},     No,    1,   "Hour Mode"},
    FieldRow{F::TimeZone,      4,     4,      Data,        wholeByte(5),     No,    48,  "Timezone"},
    FieldRow{F::WindowMode,    5,     5,      Data,        wholeByte(4),     No,    3,   "Mask Mode"},
    FieldRow{F::DisplayMode,   6,     6,      Data,        wholeByte(3),     No,    3,   "Display Mode"},
    FieldRow{F::VertPos,       7,     7,      Data,        VertPosBits,      No,    63,  "Position"},
    FieldRow{F::HorizPos,      8,     10,     Data,        HorizPosBits,     No,    255, "Position"},
    FieldRow{F::VertSize,      9,     8,      Data,        VertSizeBits,     No,    3,   "Size"},
    FieldRow{F::HorizSize,     10,    9,      Data,        HorizSizeBits,    No,    15,  "Size"},
    FieldRow{F::Blank,         11,    No,     OwnBlank,    wholeByte(10),    No,    1,   "Blank"},
};

constexpr std::array Qm410aGroups{
    GroupRow{"Position"},
    GroupRow{"Size"},
    GroupRow{"Blank"},
    GroupRow{"Time Code Input"},
    GroupRow{"Hour Mode"},
    GroupRow{"Display Mode"},
    GroupRow{"Timezone"},
    GroupRow{"Mask Mode"},
    GroupRow{"Text 1", 0},
    GroupRow{"Text 2", 1},
    GroupRow{"Text 3", 2},
    GroupRow{"Text Enables"},
};

constexpr std::array Qm520aFields{
    //       field             record payload frame        reply             export max  group
    FieldRow{F::TextEnables,   0,     0,      Data,        wholeByte(8),     0,     7,   "Text Enables"},
    FieldRow{F::AutoStop,      1,     1,      Data,        wholeByte(7),     1,     1,   "Autostop"},
    FieldRow{F::LeapSeconds,   2,     2,      Data,        wholeByte(5),     2,     1,   "Leap Seconds"},
    FieldRow{F::WindowMode,    3,     3,      Data,        wholeByte(4),     3,     3,   "Mask Mode"},
    FieldRow{F::DisplayMode,   4,     4,      Data,        wholeByte(3),     4,     2,   "Milliseconds"},
    FieldRow{F::VertPos,       5,     5,      Data,        VertPosBits,      5,     63,  "Position"},
    FieldRow{F::HorizPos,      6,     8,      Data,        HorizPosBits,     8,     255, "Position"},
    FieldRow{F::VertSize,      7,     6,      Data,        VertSizeBits,     6,     3,   "Size"},
    FieldRow{F::HorizSize,     8,     7,      Data,        HorizSizeBits,    7,     15,  "Size"},
    FieldRow{F::Blank,         9,     No,     OwnBlank,    wholeByte(9),     9,     1,   "Blank"},
    FieldRow{F::TimeFont,      10,    No,     OwnTimeFont, wholeByte(11),    No,    1,   "Time Font Style"},
};

constexpr std::array Qm520aGroups{
    GroupRow{"Position"},
    GroupRow{"Size"},
    GroupRow{"Blank"},
    GroupRow{"Milliseconds"},
    GroupRow{"Mask Mode"},
    GroupRow{"Autostop"},
    GroupRow{"Leap Seconds"},
    GroupRow{"Text 1", 0},
    GroupRow{"Text 2", 1},
    GroupRow{"Text 3", 2},
    GroupRow{"Text Enables"},
    GroupRow{"Time Font Style"},
};
// clang-format on

// Each list a frame or file reads holds every place from 0 up once, so no field is sent
// twice or left out between two others.
template<std::size_t N>
constexpr bool placesFollowOn(const std::array<FieldRow, N> &rows, int FieldRow::*place)
{
    std::size_t placed = 0;
    for (const FieldRow &row : rows)
        placed += row.*place != Nowhere ? 1 : 0;
    for (std::size_t at = 0; at < placed; ++at) {
        std::size_t holders = 0;
        for (const FieldRow &row : rows)
            holders += row.*place == static_cast<int>(at) ? 1 : 0;
        if (holders != 1)
            return false;
    }
    return true;
}

// Every field stands in one row, and every row has its place in the record.
template<std::size_t N> constexpr bool eachFieldOnce(const std::array<FieldRow, N> &rows)
{
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t j = i + 1; j < N; ++j) {
            if (rows[i].field == rows[j].field)
                return false;
        }
    }
    return std::none_of(rows.begin(), rows.end(),
                        [](const FieldRow &row) { return row.record == Nowhere; });
}

constexpr bool copies(const GroupRow &group, const FieldRow &row)
{
    return row.group && std::string_view(group.caption) == row.group;
}

// A field's group is one of the model's, and a group that copies no text line copies a field.
template<std::size_t N, std::size_t G>
constexpr bool groupsMatch(const std::array<FieldRow, N> &rows,
                           const std::array<GroupRow, G> &groups)
{
    const auto grouped = [&groups](const FieldRow &row) {
        return !row.group ||
               std::any_of(groups.begin(), groups.end(),
                           [&row](const GroupRow &group) { return copies(group, row); });
    };
    const auto copiesSomething = [&rows](const GroupRow &group) {
        return group.textLine != Nowhere ||
               std::any_of(rows.begin(), rows.end(),
                           [&group](const FieldRow &row) { return copies(group, row); });
    };
    return std::all_of(rows.begin(), rows.end(), grouped) &&
           std::all_of(groups.begin(), groups.end(), copiesSomething);
}

// What the window sets must come back in a reply.
template<std::size_t N> constexpr bool repliesCarryTheMaxima(const std::array<FieldRow, N> &rows)
{
    return std::all_of(rows.begin(), rows.end(),
                       [](const FieldRow &row) { return row.maximum <= row.reply.mask; });
}

// A field is in the data frame exactly when that is the frame it travels in.
template<std::size_t N> constexpr bool framesMatchPayload(const std::array<FieldRow, N> &rows)
{
    return std::all_of(rows.begin(), rows.end(), [](const FieldRow &row) {
        return (row.payload != Nowhere) == (row.frame == FieldFrame::Data);
    });
}

template<std::size_t N, std::size_t G>
constexpr bool wellFormed(const std::array<FieldRow, N> &rows,
                          const std::array<GroupRow, G> &groups)
{
    return eachFieldOnce(rows) && placesFollowOn(rows, &FieldRow::record) &&
           placesFollowOn(rows, &FieldRow::payload) && placesFollowOn(rows, &FieldRow::exported) &&
           groupsMatch(rows, groups) && repliesCarryTheMaxima(rows) && framesMatchPayload(rows);
}

static_assert(wellFormed(Qm410aFields, Qm410aGroups));
static_assert(wellFormed(Qm520aFields, Qm520aGroups));

std::vector<Field> inPlaceOrder(std::vector<FieldRow> rows, int FieldRow::*place)
{
    std::sort(rows.begin(), rows.end(),
              [place](const FieldRow &a, const FieldRow &b) { return a.*place < b.*place; });
    std::vector<Field> fields;
    for (const FieldRow &row : rows) {
        if (row.*place != Nowhere)
            fields.push_back(row.field);
    }
    return fields;
}

// By data byte and, within a shared byte, in record order.
std::vector<ReplyByte> replyBytesOf(std::vector<FieldRow> rows)
{
    std::sort(rows.begin(), rows.end(), [](const FieldRow &a, const FieldRow &b) {
        return std::pair(a.reply.byte, a.record) < std::pair(b.reply.byte, b.record);
    });
    std::vector<ReplyByte> bytes;
    bytes.reserve(rows.size());
    for (const FieldRow &row : rows)
        bytes.push_back({row.reply.byte, row.field, row.reply.shift, row.reply.mask});
    return bytes;
}

// Each group of the table with the fields whose rows name it.
template<std::size_t G>
std::vector<UpdateGroup> updateGroupsOf(const std::vector<FieldRow> &rowsInRecordOrder,
                                        const std::array<GroupRow, G> &groups)
{
    std::vector<UpdateGroup> result;
    for (const GroupRow &group : groups) {
        UpdateGroup update{QString::fromLatin1(group.caption), {}, group.textLine, {}};
        for (const FieldRow &row : rowsInRecordOrder) {
            if (!copies(group, row))
                continue;
            update.fields.push_back(row.field);
            if (row.frame != FieldFrame::Data)
                update.ownFrames.push_back(row.field);
        }
        result.push_back(update);
    }
    return result;
}

template<std::size_t N, std::size_t G>
void setFields(UnitModel &m, const std::array<FieldRow, N> &rows,
               const std::array<GroupRow, G> &groups)
{
    m.fields.assign(rows.begin(), rows.end());
    std::sort(m.fields.begin(), m.fields.end(),
              [](const FieldRow &a, const FieldRow &b) { return a.record < b.record; });
    m.recordFields = inPlaceOrder(m.fields, &FieldRow::record);
    m.dataPayload = inPlaceOrder(m.fields, &FieldRow::payload);
    m.replyBytes = replyBytesOf(m.fields);
    m.exportFields = inPlaceOrder(m.fields, &FieldRow::exported);
    m.updateGroups = updateGroupsOf(m.fields, groups);
    m.hasTimeFont = std::any_of(rows.begin(), rows.end(),
                                [](const FieldRow &row) { return row.field == Field::TimeFont; });
}

UnitModel make410a()
{
    UnitModel m;
    m.name = QStringLiteral("QM-410A");
    m.shortName = QStringLiteral("410a");
    m.windowTitle = QStringLiteral("QM-410A Control Panel");
    m.preferencesName = QStringLiteral("QM-410A");
    m.baudRate = 9600;
    m.replyChannelByte = 11;
    setFields(m, Qm410aFields, Qm410aGroups);
    return m;
}

UnitModel make520a()
{
    UnitModel m;
    m.name = QStringLiteral("QM-520A");
    m.shortName = QStringLiteral("520a");
    m.windowTitle = QStringLiteral("QM-520A Control Panel");
    m.preferencesName = QStringLiteral("VT-540A");
    m.baudRate = 4800;
    m.replyChannelByte = 10;
    setFields(m, Qm520aFields, Qm520aGroups);
    return m;
}

} // namespace

quint8 UnitModel::maximum(Field field) const
{
    const FieldRow *found = row(field);
    return found ? found->maximum : 0;
}

const FieldRow *UnitModel::row(Field field) const
{
    const auto found = std::find_if(fields.begin(), fields.end(),
                                    [field](const FieldRow &r) { return r.field == field; });
    return found == fields.end() ? nullptr : &*found;
}

const UnitModel &qm410a()
{
    static const UnitModel model = make410a();
    return model;
}

const UnitModel &qm520a()
{
    static const UnitModel model = make520a();
    return model;
}

const std::array<const UnitModel *, 2> &unitModels()
{
    static const std::array<const UnitModel *, 2> models{&qm410a(), &qm520a()};
    return models;
}

std::optional<std::reference_wrapper<const UnitModel>> unitModelByName(const QString &name)
{
    for (const UnitModel *model : unitModels()) {
        if (name.compare(model->shortName, Qt::CaseInsensitive) == 0 ||
            name.compare(model->name, Qt::CaseInsensitive) == 0)
            return std::cref(*model);
    }
    return std::nullopt;
}

std::vector<const UnitModel *> unitModelsFrom(const UnitModel &first)
{
    std::vector<const UnitModel *> models{&first};
    for (const UnitModel *model : unitModels()) {
        if (model != &first)
            models.push_back(model);
    }
    return models;
}

} // namespace qm
