#include "model/UnitModel.h"

namespace qm {

namespace {

using F = Field;

// The position and size bytes are packed the same way by both units.
std::vector<ReplyByte> withSharedReplyBytes(std::vector<ReplyByte> modelBytes)
{
    std::vector<ReplyByte> bytes = {
        {0, F::HorizPos, 0, 0xFF}, {1, F::HorizSize, 4, 0x0F},   {2, F::VertPos, 2, 0x3F},
        {2, F::VertSize, 0, 0x03}, {3, F::DisplayMode, 0, 0xFF}, {4, F::WindowMode, 0, 0xFF},
    };
    bytes.insert(bytes.end(), modelBytes.begin(), modelBytes.end());
    return bytes;
}

using FieldMaxima = std::array<quint8, FieldCount>;

// Position and size carry what their reply bits hold; the rest are lists and check boxes.
FieldMaxima maxima(std::initializer_list<std::pair<Field, quint8>> modelMaxima)
{
    FieldMaxima result{};
    const auto set = [&result](Field field, quint8 maximum) {
        result[static_cast<std::size_t>(field)] = maximum;
    };
    for (auto [field, maximum] : {std::pair{F::TextEnables, quint8{7}},
                                  {F::WindowMode, 3},
                                  {F::VertPos, 63},
                                  {F::HorizPos, 255},
                                  {F::VertSize, 3},
                                  {F::HorizSize, 15},
                                  {F::Blank, 1}})
        set(field, maximum);
    for (auto [field, maximum] : modelMaxima)
        set(field, maximum);
    return result;
}

UpdateGroup group(const char *caption, std::vector<Field> fields,
                  ExtraFrame extra = ExtraFrame::None)
{
    return {QString::fromLatin1(caption), std::move(fields), -1, extra};
}

UpdateGroup textGroup(const char *caption, int line)
{
    return {QString::fromLatin1(caption), {}, line, ExtraFrame::Text};
}

UnitModel make410a()
{
    UnitModel m;
    m.name = QStringLiteral("QM-410A");
    m.shortName = QStringLiteral("410a");
    m.windowTitle = QStringLiteral("QM-410A Control Panel");
    m.preferencesName = QStringLiteral("QM-410A");
    m.baudRate = 9600;
    m.recordFields = {F::TextEnables, F::DateMode,   F::TimeCodeInput, F::HourMode,
                      F::TimeZone,    F::WindowMode, F::DisplayMode,   F::VertPos,
                      F::HorizPos,    F::VertSize,   F::HorizSize,     F::Blank};
    m.dataPayload = {F::TextEnables, F::DateMode,   F::TimeCodeInput, F::HourMode,
                     F::TimeZone,    F::WindowMode, F::DisplayMode,   F::VertPos,
                     F::VertSize,    F::HorizSize,  F::HorizPos};
    m.replyBytes = withSharedReplyBytes({
        {5, F::TimeZone, 0, 0xFF},
        {6, F::HourMode, 0, 0x01},
        {7, F::TimeCodeInput, 0, 0x01},
        {8, F::DateMode, 0, 0xFF},
        {9, F::TextEnables, 0, 0xFF},
        {10, F::Blank, 0, 0xFF},
    });
    m.replyChannelByte = 11;
    m.hasTimeFont = false;
    m.fieldMaximum = maxima({{F::DateMode, 2},
                             {F::TimeCodeInput, 1},
                             {F::HourMode, 1},
                             {F::TimeZone, 48},
                             {F::DisplayMode, 3}});
    m.updateGroups = {
        group("Position", {F::VertPos, F::HorizPos}),
        group("Size", {F::VertSize, F::HorizSize}),
        group("Blank", {F::Blank}, ExtraFrame::Blank),
        group("Time Code Input", {F::TimeCodeInput}),
        group("Hour Mode", {F::HourMode}),
        group("Display Mode", {F::DisplayMode}),
        group("Timezone", {F::TimeZone}),
        group("Mask Mode", {F::WindowMode}),
        textGroup("Text 1", 0),
        textGroup("Text 2", 1),
        textGroup("Text 3", 2),
        group("Text Enables", {F::TextEnables}),
    };
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
    m.recordFields = {F::TextEnables, F::AutoStop, F::LeapSeconds, F::WindowMode,
                      F::DisplayMode, F::VertPos,  F::HorizPos,    F::VertSize,
                      F::HorizSize,   F::Blank,    F::TimeFont};
    m.dataPayload = {F::TextEnables, F::AutoStop, F::LeapSeconds, F::WindowMode, F::DisplayMode,
                     F::VertPos,     F::VertSize, F::HorizSize,   F::HorizPos};
    m.replyBytes = withSharedReplyBytes({
        {5, F::LeapSeconds, 0, 0xFF},
        {7, F::AutoStop, 0, 0xFF},
        {8, F::TextEnables, 0, 0xFF},
        {9, F::Blank, 0, 0xFF},
        {11, F::TimeFont, 0, 0xFF},
    });
    m.replyChannelByte = 10;
    m.exportFields = {F::TextEnables, F::AutoStop, F::LeapSeconds, F::WindowMode, F::DisplayMode,
                      F::VertPos,     F::VertSize, F::HorizSize,   F::HorizPos,   F::Blank};
    m.hasTimeFont = true;
    m.fieldMaximum =
        maxima({{F::AutoStop, 1}, {F::LeapSeconds, 1}, {F::DisplayMode, 2}, {F::TimeFont, 1}});
    m.updateGroups = {
        group("Position", {F::VertPos, F::HorizPos}),
        group("Size", {F::VertSize, F::HorizSize}),
        group("Blank", {F::Blank}, ExtraFrame::Blank),
        group("Milliseconds", {F::DisplayMode}),
        group("Mask Mode", {F::WindowMode}),
        group("Autostop", {F::AutoStop}),
        group("Leap Seconds", {F::LeapSeconds}),
        textGroup("Text 1", 0),
        textGroup("Text 2", 1),
        textGroup("Text 3", 2),
        group("Text Enables", {F::TextEnables}),
        group("Time Font Style", {F::TimeFont}, ExtraFrame::TimeFont),
    };
    return m;
}

} // namespace

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
