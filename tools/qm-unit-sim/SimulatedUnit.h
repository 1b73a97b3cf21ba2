#pragma once

#include "tools/qm-unit-sim/CommandFrame.h"

#include "model/ChannelTable.h"

#include <optional>

namespace qm::sim {

// The emulated unit's channel memory: takes the frames a panel sends and answers settings
// requests from what they left behind.
class SimulatedUnit
{
public:
    // Channels from channelCount up exist in memory but never answer; the ignored field, when
    // there is one, keeps its value whatever the frames say.
    SimulatedUnit(const UnitWire &wire, const ChannelTable &initial, int channelCount,
                  std::optional<Field> ignoredField = std::nullopt);

    // Data, blank, text and time font frames change the channel; a request changes nothing.
    void apply(const CommandFrame &frame);
    // The 105 bytes that answer a settings request, or nothing for a channel the unit lacks.
    std::optional<QByteArray> replyFor(int channel) const;

    const ChannelTable &table() const { return m_table; }

private:
    void applyData(ChannelSettings &record, const QByteArray &payload) const;

    const UnitWire &m_wire;
    ChannelTable m_table;
    int m_channelCount;
    std::optional<Field> m_ignoredField;
};

// The 105 bytes a unit of this wire sends for a channel holding the record. Tests, fuzz seeds
// and benchmarks play the unit with them too.
QByteArray encodeReply(const UnitWire &wire, const ChannelSettings &record, int channel);

} // namespace qm::sim
