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

SetupSession::SetupSession(const UnitModel &model, const ChannelTable &table, FrameSink &line,
                           ReplyReceiver &receiver, QObject *parent)
    : QObject(parent), m_model(model), m_table(table), m_counter(line),
      m_sender(model, m_outgoing, m_counter)
{
    m_silence.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this, &SetupSession::onSilence);
    connect(&receiver, &ReplyReceiver::channelAnswered, this, &SetupSession::onAnswered);
}

void SetupSession::read(const QList<int> &channels)
{
    m_setup.reset();
    m_probe = Probe::No;
    start(channels);
}

void SetupSession::write(const Setup &setup, const QList<int> &channels, Probe probe)
{
    m_setup = setup;
    m_probe = probe;
    start(channels);
}

void SetupSession::start(const QList<int> &channels)
{
    m_channels = channels;
    m_position = 0;
    m_answered.clear();
    m_silent.clear();
    m_skipped.clear();
    m_unreached.clear();
    m_notTaken.clear();
    m_lineFailed = false;
    m_running = true;
    ++m_run;
    // Started from the event loop, so that a caller may connect to finished() first and the
    // signals never come from inside read() or write().
    later(&SetupSession::startStep);
}

// What a reply or a start leads to runs from the event loop; a run that ended or started anew
// in between makes it moot.
void SetupSession::later(void (SetupSession::*step)())
{
    QTimer::singleShot(0, this, [this, step, run = m_run] {
        if (m_running && run == m_run)
            (this->*step)();
    });
}

void SetupSession::abandon()
{
    if (!m_running)
        return;
    m_silence.stop();
    m_awaited = NoChannel;
    m_unreached = m_channels.mid(m_position);
    m_lineFailed = true;
    ++m_run;
    finish();
}

void SetupSession::startStep()
{
    if (m_position == m_channels.size()) {
        finish();
        return;
    }
    if (m_setup && m_probe == Probe::No)
        sendAndCheck();
    else
        ask(Step::Reading);
}

// One request for the channel of this step; its reply, or the silence after it, ends it.
void SetupSession::ask(Step step)
{
    const int channel = m_channels[m_position];
    m_step = step;
    emit progressed(step, static_cast<int>(m_position), static_cast<int>(m_channels.size()));
    m_awaited = channel;
    m_sender.requestSettings(channel);
    // A line that answers within the write has already ended the step.
    if (m_awaited == channel)
        m_silence.start(lineTimeMs(m_counter.takeCount()) + SilenceMs);
}

// Built from a copy of what the table knows with the file's values over it: a field the file
// does not give keeps what the unit reported, and its frame is not sent.
void SetupSession::sendSetup(int channel)
{
    m_counter.takeCount();
    emit progressed(Step::Writing, static_cast<int>(m_position),
                    static_cast<int>(m_channels.size()));
    const ChannelSettings &wanted = m_setup->channels[channel];
    m_outgoing[channel] = m_table[channel];
    for (Field field : m_setup->fields)
        m_outgoing[channel][field] = wanted[field];
    m_outgoing[channel].texts = wanted.texts;
    const auto &fields = m_setup->fields;
    m_sender.sendUpdate(channel, wanted.texts,
                        std::find(fields.begin(), fields.end(), Field::TimeFont) != fields.end());
}

// Replies for other channels (late ones of a channel given up on) only update the table.
// What follows a reply goes out from the event loop, not from inside the receiver.
void SetupSession::onAnswered(int index)
{
    if (index != m_awaited)
        return;
    m_awaited = NoChannel;
    m_silence.stop();
    if (m_setup && m_step == Step::Reading) {
        later(&SetupSession::sendAndCheck);
        return;
    }
    m_answered.append(index);
    if (m_setup)
        m_notTaken += channelDifferences(*m_setup, index, m_table[index]);
    ++m_position;
    later(&SetupSession::startStep);
}

void SetupSession::sendAndCheck()
{
    sendSetup(m_channels[m_position]);
    ask(Step::Checking);
}

void SetupSession::onSilence()
{
    const int channel = std::exchange(m_awaited, NoChannel);
    (m_setup && m_step == Step::Reading ? m_skipped : m_silent).append(channel);
    ++m_position;
    startStep();
}

void SetupSession::finish()
{
    m_running = false;
    emit progressed(m_step, static_cast<int>(m_channels.size()),
                    static_cast<int>(m_channels.size()));
    emit finished();
}

int SetupSession::lineTimeMs(qsizetype bytes) const
{
    return static_cast<int>((bytes * BitsPerByte * 1000 + m_model.baudRate - 1) / m_model.baudRate);
}

} // namespace qm
