#pragma once

#include "model/ChannelTable.h"
#include "model/UnitModel.h"

#include <QByteArrayList>

#include <array>
#include <bitset>

namespace qm {

// What the panel's frames did to each channel since the unit last answered for it: whether
// any went out, and which settings a frame that never reached the unit was the last to carry.
// The panel's record of those settings then holds what the operator wanted, not what the unit
// holds.
class DeliveryRecord
{
public:
    explicit DeliveryRecord(const UnitModel &model) : m_model(model) {}

    // Handed to the line; a drop reported for it later undoes that.
    void noteWritten(const QByteArray &frame);
    void noteDropped(const QByteArrayList &frames);
    // The channel's reply tells what it holds: nothing before it is in doubt any more.
    void noteAnswered(int index);

    // A setting of the channel went out after its last reply, so that reply may be stale.
    bool sentSinceReply(int index) const { return m_sent[static_cast<std::size_t>(index)]; }
    // The table with every undelivered setting back at what the unit last reported.
    ChannelTable delivered(const ChannelTable &table, const ChannelTable &unitReported) const;

private:
    // The record fields and text lines one frame carries.
    struct Carried
    {
        std::bitset<FieldCount> fields;
        std::bitset<TextLineCount> texts;
    };

    void mark(const QByteArray &frame, bool undelivered);
    Carried carried(quint8 command) const;

    const UnitModel &m_model;
    std::array<Carried, ChannelCount> m_undelivered{};
    std::array<bool, ChannelCount> m_sent{};
};

} // namespace qm
