#include "SettingRows.h"

#include <QString>

#include <utility>

namespace qm {

namespace {

using F = Field;
using K = SettingKind;

constexpr quint8 TwoBits = 3;
constexpr quint8 ThreeBits = 7;
constexpr quint8 WholeByte = 0xFF;

std::vector<SettingRow> withTextLines(std::vector<SettingRow> rows)
{
    for (quint8 line = 0; line < TextLineCount; ++line)
        rows.push_back({K::TextLine, {}, line});
    return rows;
}

std::vector<SettingRow> enableRows()
{
    return {{K::CheckBit, F::TextEnables, 0},
            {K::CheckBit, F::TextEnables, 1},
            {K::CheckBit, F::TextEnables, 2}};
}

std::vector<SettingRow> concat(std::vector<SettingRow> first, const std::vector<SettingRow> &more)
{
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

// The QM-410A keeps a third display mode bit, so 4 to 7 are out of its list and repaired.
std::vector<SettingRow> rows410a()
{
    auto rows = concat(enableRows(), {
                                         {K::OptionPair, F::TimeCodeInput, 0},
                                         {K::OptionPair, F::HourMode, 1},
                                         {K::List, F::WindowMode, TwoBits},
                                         {K::List, F::TimeZone, WholeByte},
                                         {K::List, F::DateMode, TwoBits},
                                         {K::List, F::DisplayMode, ThreeBits},
                                         {K::CheckBit, F::Blank, 0},
                                         {K::Position, {}, 0},
                                     });
    return withTextLines(std::move(rows));
}

std::vector<SettingRow> rows520a()
{
    auto rows = concat(enableRows(), {
                                         {K::CheckBit, F::AutoStop, 0},
                                         {K::CheckBit, F::LeapSeconds, 0},
                                         {K::List, F::WindowMode, TwoBits},
                                         {K::List, F::DisplayMode, TwoBits},
                                         {K::CheckBit, F::Blank, 0},
                                         {K::Position, {}, 0},
                                     });
    rows = withTextLines(std::move(rows));
    rows.push_back({K::ListIfPresent, F::TimeFont, 0});
    return rows;
}

} // namespace

const std::vector<SettingRow> &settingRows(const UnitModel &model)
{
    static const std::vector<std::pair<QString, std::vector<SettingRow>>> byModel = {
        {qm410a().name, rows410a()},
        {qm520a().name, rows520a()},
    };
    static const std::vector<SettingRow> none;
    for (const auto &[name, rows] : byModel) {
        if (name == model.name)
            return rows;
    }
    return none;
}

} // namespace qm
