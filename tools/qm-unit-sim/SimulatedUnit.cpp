#include "SimulatedUnit.h"

#include "ReplyEncoder.h"
#include "ReplyReceiver.h"

#include <span>

namespace qm::sim {

SimulatedUnit::SimulatedUnit(const UnitModel &model, const ChannelTable &initial, int channelCount)
    : m_model(model), m_table(initial), m_channelCount(channelCount)
{}

void SimulatedUnit::apply(const CommandFrame &frame)
{
    ChannelSettings &record = m_table[frame.channel];
    switch (frame.command) {
    case Command::ChannelData:
        applyData(record, frame.payload);
        break;
    case Command::BlankOn:
        record[Field::Blank] = 1;
        break;
    case Command::BlankOff:
        record[Field::Blank] = 0;
        break;
    case Command::Text1:
    case Command::Text2:
    case Command::Text3: {
        const auto line =
            static_cast<std::size_t>(frame.command) - static_cast<std::size_t>(Command::Text1);
        const auto *bytes = reinterpret_cast<const quint8 *>(frame.payload.constData());
        record.texts[line] =
            replyText(std::span<const quint8, TextPayloadLength>(bytes, TextPayloadLength));
        break;
    }
    case Command::TimeFont:
        record[Field::TimeFont] = static_cast<quint8>(frame.payload[0]);
        break;
    case Command::SettingsRequest:
        break;
    }
}

std::optional<QByteArray> SimulatedUnit::replyFor(int channel) const
{
    if (channel < 0 || channel >= m_channelCount)
        return std::nullopt;
    return encodeReply(m_model, m_table[channel], static_cast<quint8>(channel));
}

void SimulatedUnit::applyData(ChannelSettings &record, const QByteArray &payload) const
{
    for (std::size_t i = 0; i < m_model.dataPayload.size(); ++i)
        record[m_model.dataPayload[i]] = static_cast<quint8>(payload[static_cast<qsizetype>(i)]);
}

} // namespace qm::sim
