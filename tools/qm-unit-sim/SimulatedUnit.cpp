#include "tools/qm-unit-sim/SimulatedUnit.h"

#include "tools/qm-unit-sim/UnitCharacters.h"

namespace qm::sim {

SimulatedUnit::SimulatedUnit(const UnitWire &wire, const ChannelTable &initial, int channelCount,
                             std::optional<Field> ignoredField)
    : m_wire(wire), m_table(initial), m_channelCount(channelCount), m_ignoredField(ignoredField)
{}

void SimulatedUnit::apply(const CommandFrame &frame)
{
    ChannelSettings &record = m_table[frame.channel];
    const ChannelSettings before = record;
    switch (frame.command) {
    case Code::Data:
        applyData(record, frame.payload);
        break;
    case Code::BlankOn:
        record[Field::Blank] = 1;
        break;
    case Code::BlankOff:
        record[Field::Blank] = 0;
        break;
    case Code::Line1:
    case Code::Line2:
    case Code::Line3:
        record.texts[static_cast<std::size_t>(frame.command) -
                     static_cast<std::size_t>(Code::Line1)] = lineText(frame.payload);
        break;
    case Code::Font:
        record[Field::TimeFont] = static_cast<quint8>(frame.payload[0]);
        break;
    case Code::Request:
        break;
    }
    if (m_ignoredField)
        record[*m_ignoredField] = before[*m_ignoredField];
}

std::optional<QByteArray> SimulatedUnit::replyFor(int channel) const
{
    if (channel < 0 || channel >= m_channelCount)
        return std::nullopt;
    return encodeReply(m_wire, m_table[channel], channel);
}

void SimulatedUnit::applyData(ChannelSettings &record, const QByteArray &payload) const
{
    for (std::size_t i = 0; i < m_wire.dataPayload.size(); ++i)
        record[m_wire.dataPayload[i]] = static_cast<quint8>(payload[static_cast<qsizetype>(i)]);
}

// A marker byte would end the reply early, so a text character that is one travels as '?'.
QByteArray encodeReply(const UnitWire &wire, const ChannelSettings &record, int channel)
{
    QByteArray data(ReplyDataBytes, '\0');
    for (const ReplyPlace &place : wire.replyPlaces)
        data[place.byte] = static_cast<char>(static_cast<quint8>(data[place.byte]) |
                                             (record[place.field] & place.mask) << place.shift);
    data[wire.channelByte] = static_cast<char>(channel);
    for (std::size_t line = 0; line < record.texts.size(); ++line) {
        QByteArray text = unitBytes(record.texts[line]).left(TextBytes);
        text.replace(static_cast<char>(ReplyOpen), '?').replace(static_cast<char>(ReplyClose), '?');
        text.append(TextBytes - text.size(), static_cast<char>(TextFill));
        data.replace(FirstTextByte + static_cast<qsizetype>(line) * TextBytes, TextBytes, text);
    }
    return static_cast<char>(ReplyOpen) + data + static_cast<char>(ReplyClose);
}

} // namespace qm::sim
