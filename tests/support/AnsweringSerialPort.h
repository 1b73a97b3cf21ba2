#pragma once

#include "model/ChannelTable.h"
#include "model/UnitModel.h"
#include "tests/support/FakeSerialPort.h"

namespace qm::test {

// A fake serial port with a unit on the far end: every settings request for one of the first
// channelCount channels is answered at once with that channel's record from the table.
class AnsweringSerialPort : public FakeSerialPort
{
public:
    AnsweringSerialPort(const UnitModel &model, const ChannelTable &table,
                        int channelCount = ChannelTable::size())
        : m_model(model), m_table(table), m_channelCount(channelCount)
    {}

    void write(const QByteArray &frame) override;

private:
    const UnitModel &m_model;
    ChannelTable m_table;
    int m_channelCount;
};

} // namespace qm::test
