#include "protocol/DeliveryRecord.h"

#include "protocol/Frames.h"

namespace qm {

void DeliveryRecord::noteWritten(const QByteArray &frame)
{
    mark(frame, false);
}

void DeliveryRecord::noteDropped(const QByteArrayList &frames)
{
    for (const QByteArray &frame : frames)
        mark(frame, true);
}

void DeliveryRecord::noteAnswered(int index)
{
    if (!ChannelTable::isValidIndex(index))
        return;
    m_undelivered[static_cast<std::size_t>(index)] = {};
    m_sent[static_cast<std::size_t>(index)] = false;
}

ChannelTable DeliveryRecord::delivered(const ChannelTable &table,
                                       const ChannelTable &unitReported) const
{
    ChannelTable result = table;
    for (int index = 0; index < ChannelCount; ++index) {
        const Carried &undelivered = m_undelivered[static_cast<std::size_t>(index)];
        for (std::size_t field = 0; field < FieldCount; ++field) {
            if (undelivered.fields[field])
                result[index].bytes[field] = unitReported[index].bytes[field];
        }
        for (std::size_t line = 0; line < TextLineCount; ++line) {
            if (undelivered.texts[line])
                result[index].texts[line] = unitReported[index].texts[line];
        }
    }
    return result;
}

// A request changes nothing on the unit, so it puts no setting in doubt.
void DeliveryRecord::mark(const QByteArray &frame, bool undelivered)
{
    const std::optional<FrameAddress> address = frameAddress(frame);
    if (!address)
        return;
    const Carried frameCarries = carried(address->command);
    if (frameCarries.fields.none() && frameCarries.texts.none())
        return;
    Carried &channel = m_undelivered[address->channel];
    if (undelivered) {
        channel.fields |= frameCarries.fields;
        channel.texts |= frameCarries.texts;
    } else {
        channel.fields &= ~frameCarries.fields;
        channel.texts &= ~frameCarries.texts;
        m_sent[address->channel] = true;
    }
}

DeliveryRecord::Carried DeliveryRecord::carried(quint8 command) const
{
    Carried result;
    switch (static_cast<Command>(command)) {
    case Command::ChannelData:
        for (Field field : m_model.dataPayload)
            result.fields.set(static_cast<std::size_t>(field));
        break;
    case Command::BlankOn:
    case Command::BlankOff:
        result.fields.set(static_cast<std::size_t>(Field::Blank));
        break;
    case Command::Text1:
    case Command::Text2:
    case Command::Text3:
        result.texts.set(command - static_cast<quint8>(Command::Text1));
        break;
    case Command::TimeFont:
        result.fields.set(static_cast<std::size_t>(Field::TimeFont));
        break;
    case Command::SettingsRequest:
        break;
    }
    return result;
}

} // namespace qm
