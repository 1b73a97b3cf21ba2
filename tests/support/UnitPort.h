#pragma once

#include "model/ChannelTable.h"
#include "model/UnitModel.h"
#include "tests/support/FakeSerialPort.h"

#include <QSet>

#include <functional>

namespace qm::sim {
struct UnitWire;
}

namespace qm::test {

// The unit the tests script, on the far end of a fake port: it takes each frame written as the
// emulated unit does, by the emulator's own wire tables rather than the program's, keeps what
// it is sent, and answers a settings request at once with the emulator's reply.
class UnitPort : public FakeSerialPort
{
public:
    // Channels from `answering` up are silent.
    explicit UnitPort(const UnitModel &model, const ChannelTable &state = {},
                      int answering = ChannelCount);

    ChannelTable state;
    QSet<int> silent;
    // A data frame for this channel keeps this field as it was.
    int stubbornChannel = -1;
    Field stubbornField = Field::TextEnables;
    QList<int> commands;            // the command codes heard, in order
    QMap<int, QByteArrayList> sent; // the frames heard, by port number
    // Called once a reply for the channel has gone onto the line, for a test that acts then.
    std::function<void(int channel)> replied;
    // Called once the unit has acted on a frame, for a test that acts then.
    std::function<void(int command, int channel)> took;

    // The channel answers from now on, with this record.
    void answer(int channel, const ChannelSettings &record);
    void write(const QByteArray &frame) override;

private:
    const sim::UnitWire &m_wire;
};

// What a unit of the model sends for a channel holding this record, as the emulator packs it.
QByteArray unitReply(const UnitModel &model, const ChannelSettings &record, int channel);

} // namespace qm::test
