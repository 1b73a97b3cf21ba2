#include "link/SetupSession.h"

#include <algorithm>
#include <utility>

namespace qm {

namespace {

constexpr int BitsPerByte = 10; // start bit, 8 data bits, stop bit

} // namespace

void SetupSession::CountingSink::write(const QByteArray &frame)
{
    m_count += frame.size();
    m_line.write(frame);
}

SetupSession::SetupSession(const UnitModel &model, ChannelTable &table, FrameSink &line,
                           ReplyReceiver &receiver, QObject *parent)
    : QObject(parent), m_model(model), m_table(table), m_counter(line),
      m_sender(model, table, m_counter)
{
    m_silence.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        m_silent.append(std::exchange(m_awaited, NoChannel));
        endStep();
    });
    connect(&receiver, &ReplyReceiver::channelAnswered, this, &SetupSession::onAnswered);
}

void SetupSession::read(const QList<int> &channels)
{
    m_setup.reset();
    start(channels);
}

void SetupSession::write(const Setup &setup, const QList<int> &channels)
{
    m_setup = setup;
    start(channels);
}

void SetupSession::start(const QList<int> &channels)
{
    m_channels = channels;
    m_position = 0;
    m_silent.clear();
    m_notTaken.clear();
    m_running = true;
    // Started from the event loop, so that a caller may connect to finished() first and the
    // signals never come from inside read() or write().
    QTimer::singleShot(0, this, &SetupSession::startStep);
}

void SetupSession::startStep()
{
    emit progressed(static_cast<int>(m_position), static_cast<int>(m_channels.size()));
    if (m_position == m_channels.size()) {
        m_running = false;
        emit finished();
        return;
    }
    const int channel = m_channels[m_position];
    m_counter.takeCount();
    m_awaited = channel;
    if (m_setup)
        sendSetup(channel);
    m_sender.requestSettings(channel);
    // A line that answers within the write has already ended the step.
    if (m_awaited == channel)
        m_silence.start(lineTimeMs(m_counter.takeCount()) + SilenceMs);
}

// The record takes the file's values first: the data frame is built from it. A field the
// file does not give keeps what the record holds, and its frame is not sent.
void SetupSession::sendSetup(int channel)
{
    const ChannelSettings &wanted = m_setup->channels[channel];
    for (Field field : m_setup->fields)
        m_table[channel][field] = wanted[field];
    m_table[channel].texts = wanted.texts;
    for (int line = 0; line < TextLineCount; ++line)
        m_sender.sendText(channel, line, wanted.texts[line]);
    m_sender.sendData(channel);
    m_sender.sendBlank(channel);
    const auto &fields = m_setup->fields;
    if (std::find(fields.begin(), fields.end(), Field::TimeFont) != fields.end())
        m_sender.sendTimeFont(channel);
}

// Replies for other channels (late ones of a channel given up on) only update the table.
void SetupSession::onAnswered(int index)
{
    if (index != m_awaited)
        return;
    m_awaited = NoChannel;
    m_silence.stop();
    if (m_setup)
        m_notTaken += channelDifferences(*m_setup, index, m_table[index]);
    // Not from inside the receiver: the next frames go out from the event loop.
    QTimer::singleShot(0, this, &SetupSession::endStep);
}

void SetupSession::endStep()
{
    ++m_position;
    startStep();
}

int SetupSession::lineTimeMs(qsizetype bytes) const
{
    return static_cast<int>((bytes * BitsPerByte * 1000 + m_model.baudRate - 1) / m_model.baudRate);
}

} // namespace qm
