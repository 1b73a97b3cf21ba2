#pragma once

#include "model/ChannelSettings.h"

#include <QList>

#include <array>

namespace qm {

// The whole known state of the unit: twelve records, index n holding channel n + 1.
// All zero at start; only replies and edits overwrite records, nothing ever clears them.
class ChannelTable
{
public:
    ChannelSettings &operator[](int index) { return m_records.at(static_cast<std::size_t>(index)); }
    const ChannelSettings &operator[](int index) const
    {
        return m_records.at(static_cast<std::size_t>(index));
    }

    static constexpr bool isValidIndex(int index) { return index >= 0 && index < ChannelCount; }
    static constexpr int size() { return ChannelCount; }

private:
    std::array<ChannelSettings, ChannelCount> m_records{};
};

// Every channel index, ascending.
inline QList<int> allChannelIndices()
{
    QList<int> indices;
    for (int index = 0; index < ChannelCount; ++index)
        indices.append(index);
    return indices;
}

} // namespace qm
