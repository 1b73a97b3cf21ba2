#pragma once

#include <QtGlobal>

#include <cstddef>

namespace qm {

// Every byte setting that either unit model knows. A model uses a subset of these in its
// own order (see UnitModel); a field the model lacks stays 0 and is never sent.
enum class Field : quint8
{
    TextEnables,
    AutoStop,
    LeapSeconds,
    DateMode,
    TimeCodeInput,
    HourMode,
    TimeZone,
    WindowMode,
    DisplayMode,
    VertPos,
    HorizPos,
    VertSize,
    HorizSize,
    Blank,
    TimeFont,
};

inline constexpr std::size_t FieldCount = static_cast<std::size_t>(Field::TimeFont) + 1;
inline constexpr int TextLineCount = 3;
inline constexpr int ChannelCount = 12;

// The record field name as the unit's documentation spells it, for logs and messages.
const char *fieldName(Field field);

} // namespace qm
