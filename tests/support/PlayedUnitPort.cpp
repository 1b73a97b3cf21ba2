#include "tests/support/PlayedUnitPort.h"

#include "tools/qm-unit-sim/UnitCharacters.h"

#include <vector>

namespace qm::test {

namespace {

using F = Field;

// The channel data payload of each model, as the unit's documentation lists it.
const std::vector<Field> Payload410a = {
    F::TextEnables, F::DateMode, F::TimeCodeInput, F::HourMode,  F::TimeZone, F::WindowMode,
    F::DisplayMode, F::VertPos,  F::VertSize,      F::HorizSize, F::HorizPos};
const std::vector<Field> Payload520a = {F::TextEnables, F::AutoStop,    F::LeapSeconds,
                                        F::WindowMode,  F::DisplayMode, F::VertPos,
                                        F::VertSize,    F::HorizSize,   F::HorizPos};

// Reply data bytes that carry one whole field, per model; position and size are packed.
struct ReplyPlace
{
    int dataByte;
    Field field;
};
const std::vector<ReplyPlace> Reply410a = {
    {3, F::DisplayMode},   {4, F::WindowMode}, {5, F::TimeZone},    {6, F::HourMode},
    {7, F::TimeCodeInput}, {8, F::DateMode},   {9, F::TextEnables}, {10, F::Blank}};
const std::vector<ReplyPlace> Reply520a = {
    {3, F::DisplayMode}, {4, F::WindowMode}, {5, F::LeapSeconds}, {7, F::AutoStop},
    {8, F::TextEnables}, {9, F::Blank},      {11, F::TimeFont}};

constexpr quint8 Pad = 0x80;
constexpr int TextBytes = 30;
constexpr int FirstTextByte = 13;

} // namespace

PlayedUnitPort::PlayedUnitPort(Model model, const ChannelTable &initial)
    : state(initial), m_model(model)
{
    openable = {1};
}

void PlayedUnitPort::write(const QByteArray &frame)
{
    FakeSerialPort::write(frame);
    if (!isOpen() || frame.size() < 3 || static_cast<quint8>(frame.back()) != 250)
        return;
    const auto command = static_cast<quint8>(frame.at(frame.size() - 3));
    const auto channel = static_cast<quint8>(frame.at(frame.size() - 2));
    if (channel > 11)
        return;
    commands << command;
    apply(command, channel, QByteArrayView(frame).first(frame.size() - 3));
}

void PlayedUnitPort::apply(quint8 command, int channel, QByteArrayView payload)
{
    ChannelSettings &record = state[channel];
    const std::vector<Field> &order = m_model == Model::Qm410a ? Payload410a : Payload520a;
    if (command == 2 && payload.size() == static_cast<qsizetype>(order.size())) {
        for (std::size_t i = 0; i < order.size(); ++i) {
            if (channel != stubbornChannel || order[i] != stubbornField)
                record[order[i]] = static_cast<quint8>(payload[static_cast<qsizetype>(i)]);
        }
    } else if (command == 3 || command == 4) {
        record[F::Blank] = command == 3 ? 1 : 0;
    } else if (command >= 5 && command <= 7 && payload.size() == TextBytes) {
        const QByteArrayView bytes =
            payload.first(payload.indexOf(char(Pad)) < 0 ? TextBytes : payload.indexOf(char(Pad)));
        record.texts[command - 5] = sim::unitText(bytes);
    } else if (command == 9 && m_model == Model::Qm520a && payload.size() == 1) {
        record[F::TimeFont] = static_cast<quint8>(payload[0]);
    } else if (command == 8 && !silent.contains(channel)) {
        receive(reply(channel));
        if (replied)
            replied(channel);
    }
}

QByteArray PlayedUnitPort::reply(int channel) const
{
    const ChannelSettings &record = state[channel];
    QByteArray data(103, char(0));
    data[0] = char(record[F::HorizPos]);
    data[1] = char(record[F::HorizSize] << 4);
    data[2] = char(record[F::VertPos] << 2 | record[F::VertSize]);
    for (const ReplyPlace &place : m_model == Model::Qm410a ? Reply410a : Reply520a)
        data[place.dataByte] = char(record[place.field]);
    data[m_model == Model::Qm410a ? 11 : 10] = char(channel);
    for (int line = 0; line < 3; ++line) {
        // A real unit sends its bytes as they are, markers or not.
        QByteArray text = sim::unitBytes(record.texts[line]).left(TextBytes);
        text.append(TextBytes - text.size(), char(Pad));
        data.replace(FirstTextByte + line * TextBytes, TextBytes, text);
    }
    return char(0xFC) + data + char(0xF8);
}

} // namespace qm::test
