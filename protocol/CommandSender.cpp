#include "protocol/CommandSender.h"

#include <array>

namespace qm {

namespace {

quint8 channelByte(int index)
{
    return static_cast<quint8>(index);
}

Command textCommand(int textIndex)
{
    if (textIndex == 1)
        return Command::Text2;
    if (textIndex == 2)
        return Command::Text3;
    return Command::Text1;
}

} // namespace

CommandSender::CommandSender(const UnitModel &model, const ChannelTable &table, FrameSink &sink)
    : m_model(model), m_table(table), m_sink(sink)
{}

void CommandSender::sendData(int index)
{
    const ChannelSettings &record = m_table[index];
    std::array<char, FieldCount> payload{};
    std::size_t length = 0;
    for (Field field : m_model.dataPayload)
        payload[length++] = static_cast<char>(record[field]);
    sendCommand(m_sink, Command::ChannelData, channelByte(index),
                QByteArrayView(payload.data(), static_cast<qsizetype>(length)), true);
}

void CommandSender::sendBlank(int index)
{
    const Command command =
        m_table[index][Field::Blank] == 1 ? Command::BlankOn : Command::BlankOff;
    sendCommand(m_sink, command, channelByte(index), {}, false);
}

void CommandSender::sendText(int index, int textIndex, QStringView shownText)
{
    const auto payload = textPayload(shownText);
    sendCommand(m_sink, textCommand(textIndex), channelByte(index),
                QByteArrayView(payload.data(), static_cast<qsizetype>(payload.size())), true);
}

void CommandSender::sendTimeFont(int index)
{
    if (!m_model.hasTimeFont)
        return;
    const char payload = static_cast<char>(m_table[index][Field::TimeFont]);
    sendCommand(m_sink, Command::TimeFont, channelByte(index), QByteArrayView(&payload, 1), true);
}

void CommandSender::sendUpdate(int index, const std::array<QString, TextLineCount> &texts,
                               bool withTimeFont)
{
    for (int line = 0; line < TextLineCount; ++line)
        sendText(index, line, texts[static_cast<std::size_t>(line)]);
    sendData(index);
    sendBlank(index);
    if (withTimeFont)
        sendTimeFont(index);
}

void CommandSender::requestSettings(int index)
{
    sendCommand(m_sink, Command::SettingsRequest, channelByte(index), {}, false);
}

} // namespace qm
