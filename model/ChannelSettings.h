#pragma once

#include "model/Field.h"

#include <QString>

#include <array>

namespace qm {

// One channel's settings: the byte fields (addressed by Field, whatever the model's record
// order) and the three text lines exactly as held, spaces and all.
struct ChannelSettings
{
    std::array<quint8, FieldCount> bytes{};
    std::array<QString, TextLineCount> texts;

    quint8 &operator[](Field field) { return bytes[static_cast<std::size_t>(field)]; }
    quint8 operator[](Field field) const { return bytes[static_cast<std::size_t>(field)]; }

    friend bool operator==(const ChannelSettings &, const ChannelSettings &) = default;
};

} // namespace qm
