#include "tests/support/UnitPort.h"

#include "tools/qm-unit-sim/SimulatedUnit.h"

namespace qm::test {

namespace {

const sim::UnitWire &wireOf(const UnitModel &model)
{
    return *sim::unitWireByName(model.name);
}

} // namespace

UnitPort::UnitPort(const UnitModel &model, const ChannelTable &initial, int answering)
    : state(initial), m_wire(wireOf(model))
{
    for (int channel = answering; channel < ChannelCount; ++channel)
        silent << channel;
}

void UnitPort::answer(int channel, const ChannelSettings &record)
{
    state[channel] = record;
    silent.remove(channel);
}

void UnitPort::write(const QByteArray &frame)
{
    FakeSerialPort::write(frame);
    if (!isOpen())
        return;
    sent[portNumber()] << frame;
    if (frame.size() < 3 || static_cast<quint8>(frame.back()) != sim::FrameEnd)
        return;
    const auto command = static_cast<quint8>(frame.at(frame.size() - 3));
    const auto channel = static_cast<quint8>(frame.at(frame.size() - 2));
    if (!ChannelTable::isValidIndex(channel) ||
        sim::payloadLength(m_wire, command) != frame.size() - 3)
        return;
    commands << command;
    const std::optional<Field> stubborn =
        channel == stubbornChannel ? std::optional(stubbornField) : std::nullopt;
    sim::SimulatedUnit unit(m_wire, state, ChannelCount, stubborn);
    unit.apply({sim::Code(command), channel, frame.first(frame.size() - 3)});
    state = unit.table();
    if (took)
        took(command, channel);
    if (command != quint8(sim::Code::Request) || silent.contains(channel))
        return;
    receive(*unit.replyFor(channel));
    if (replied)
        replied(channel);
}

QByteArray unitReply(const UnitModel &model, const ChannelSettings &record, int channel)
{
    return sim::encodeReply(wireOf(model), record, channel);
}

} // namespace qm::test
