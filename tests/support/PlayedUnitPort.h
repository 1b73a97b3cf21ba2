#pragma once

#include "model/ChannelTable.h"
#include "tests/support/FakeSerialPort.h"

#include <QSet>

#include <functional>

namespace qm::test {

// A unit played by the test itself, on the far end of a fake port: it decodes every frame by
// its own tables (not the program's), keeps what it is sent, and answers a settings request at
// once with a reply it packs itself. It can be told to ignore one field of one channel.
class PlayedUnitPort : public FakeSerialPort
{
public:
    enum class Model
    {
        Qm410a,
        Qm520a
    };

    PlayedUnitPort(Model model, const ChannelTable &state);

    ChannelTable state;
    // Channels that never answer.
    QSet<int> silent;
    // A data frame for this channel keeps this field as it was.
    int stubbornChannel = -1;
    Field stubbornField = Field::TextEnables;
    // The command codes heard, in order.
    QList<int> commands;
    // Called once a reply for the channel has gone onto the line, for a test that acts then.
    std::function<void(int channel)> replied;

    void write(const QByteArray &frame) override;

private:
    void apply(quint8 command, int channel, QByteArrayView payload);
    QByteArray reply(int channel) const;

    Model m_model;
};

} // namespace qm::test
