#include "link/SetupSession.h"

#include <algorithm>
#include <utility>

namespace qm {

void SetupSession::CountingSink::write(const QByteArray &frame)
{
    m_count += frame.size();
    m_line.write(frame);
}

SetupSession::SetupSession(const UnitModel &model, const ChannelTable &table, FrameSink &line,
                           ReplyReceiver &receiver, ReplyInput &input, QObject *parent)
    : QObject(parent), m_table(table), m_counter(line),
      m_sender(model, m_outgoing, m_counter), m_queryLine{m_sender, receiver, input,
                                                          ReplyWait(model.baudRate)}
{}

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
    endQuery();
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

// A reply that came before the failure counts, though its query has not reported it yet.
void SetupSession::abandon()
{
    if (!m_running)
        return;
    if (m_query && m_query->outcome() == ChannelQuery::Outcome::Answered && !isProbing())
        recordAnswer(m_query->channel());
    endQuery();
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

// One question for the channel of this step; its answer, or its silence, ends the step. The
// frames of the step are still crossing the line ahead of the request.
void SetupSession::ask(Step step)
{
    const int channel = m_channels[m_position];
    m_step = step;
    emit progressed(step, static_cast<int>(m_position), static_cast<int>(m_channels.size()));
    m_query = new ChannelQuery(m_queryLine, channel, this);
    connect(m_query, &ChannelQuery::finished, this, &SetupSession::onQueryFinished);
    m_query->ask(m_counter.takeCount());
}

void SetupSession::onQueryFinished()
{
    const int channel = m_query->channel();
    const bool answered = m_query->outcome() == ChannelQuery::Outcome::Answered;
    endQuery();
    if (answered)
        onAnswered(channel);
    else
        onSilence(channel);
}

// The query may be the one whose signal runs now: it goes once that has returned.
void SetupSession::endQuery()
{
    if (!m_query)
        return;
    m_query->cancel();
    m_query->deleteLater();
    m_query = nullptr;
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

// The query reports from the event loop, so what follows goes out outside the receiver.
void SetupSession::onAnswered(int index)
{
    if (isProbing()) {
        sendAndCheck();
        return;
    }
    recordAnswer(index);
    startStep();
}

void SetupSession::recordAnswer(int index)
{
    m_answered.append(index);
    if (m_setup)
        m_notTaken += channelDifferences(*m_setup, index, m_table[index]);
    ++m_position;
}

void SetupSession::sendAndCheck()
{
    sendSetup(m_channels[m_position]);
    ask(Step::Checking);
}

void SetupSession::onSilence(int channel)
{
    (isProbing() ? m_skipped : m_silent).append(channel);
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

} // namespace qm
