#include "tests/support/AnsweringSerialPort.h"

#include "protocol/ReplyEncoder.h"

namespace qm::test {

namespace {

constexpr char RequestSettings = 8;
constexpr qsizetype RequestLength = 3;

} // namespace

void AnsweringSerialPort::write(const QByteArray &frame)
{
    FakeSerialPort::write(frame);
    if (frame.size() != RequestLength || frame.at(0) != RequestSettings)
        return;
    const auto channel = static_cast<quint8>(frame.at(1));
    if (channel < m_channelCount)
        receive(encodeReply(m_model, m_table[channel], channel));
}

} // namespace qm::test
