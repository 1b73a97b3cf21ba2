#pragma once

#include "link/ChannelQuery.h"
#include "link/ReplyInput.h"
#include "protocol/CommandSender.h"
#include "protocol/FrameSink.h"
#include "protocol/ReplyReceiver.h"
#include "protocol/SetupFile.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <optional>

namespace qm {

// Reads channels from the unit, or writes a setup to them and reads them back, one channel
// at a time: the next step starts as soon as the reply it waits for has come, and a channel
// is asked as ChannelQuery does, so a late unit is waited for by the reply allowance. It runs
// on timers and the receiver's signal, never in a wait of its own, so the program around it
// keeps working.
// The table takes a channel's settings only from the unit's replies: what a write sends is
// built apart, so a channel whose read-back never comes keeps what was known before.
class SetupSession : public QObject
{
    Q_OBJECT
public:
    // What the session is doing with a channel, for a progress line.
    enum class Step
    {
        Reading,
        Writing,
        Checking,
    };
    Q_ENUM(Step)

    // Whether a write first asks each channel for its settings and leaves a channel that does
    // not answer alone; without it the caller vouches that the channels answer.
    enum class Probe
    {
        No,
        First,
    };
    Q_ENUM(Probe)

    // Frames go to the line; replies come in from input through the receiver into the table.
    SetupSession(const UnitModel &model, const ChannelTable &table, FrameSink &line,
                 ReplyReceiver &receiver, ReplyInput &input, QObject *parent = nullptr);

    // Asks the channels (indices 0..11) for their settings.
    void read(const QList<int> &channels);
    // Sends each channel's settings of the setup with the frames and in the order the Update
    // button uses, then asks the channel for its settings to see what took. The channels must
    // be ones the setup holds.
    void write(const Setup &setup, const QList<int> &channels, Probe probe);
    // The line failed: the run ends now, and the channels it had not finished are unreached.
    void abandon();

    bool isRunning() const { return m_running; }
    // Channels that answered a read, or whose read-back came after a write, in that order.
    const QList<int> &answered() const { return m_answered; }
    // Channels that gave no answer: to a read, or to the read-back after their frames went out.
    const QList<int> &silentChannels() const { return m_silent; }
    // Channels a probing write left alone because they did not answer it.
    const QList<int> &skipped() const { return m_skipped; }
    // Channels not finished when the line failed; the first of them may have had part of its
    // frames.
    const QList<int> &unreached() const { return m_unreached; }
    bool lineFailed() const { return m_lineFailed; }
    // After a write: every field the unit holds otherwise than the setup gives it.
    const QList<FieldDifference> &notTaken() const { return m_notTaken; }

signals:
    // done of count channels are finished; step says what happens to the next one.
    void progressed(Step step, int done, int count);
    void finished();

private:
    // Counts what goes out, to know how long the line needs for it.
    class CountingSink : public FrameSink
    {
    public:
        explicit CountingSink(FrameSink &line) : m_line(line) {}
        bool isOpen() const override { return m_line.isOpen(); }
        void write(const QByteArray &frame) override;
        qsizetype takeCount() { return std::exchange(m_count, 0); }

    private:
        FrameSink &m_line;
        qsizetype m_count = 0;
    };

    void start(const QList<int> &channels);
    void later(void (SetupSession::*step)());
    void startStep();
    void ask(Step step);
    void sendAndCheck();
    void sendSetup(int channel);
    void onQueryFinished();
    void onAnswered(int index);
    void recordAnswer(int index);
    void onSilence(int index);
    // A write's question before it sends a channel anything.
    bool isProbing() const { return m_setup && m_step == Step::Reading; }
    void endQuery();
    void finish();

    const ChannelTable &m_table;
    ChannelTable m_outgoing;
    CountingSink m_counter;
    CommandSender m_sender;
    QueryLine m_queryLine;
    QPointer<ChannelQuery> m_query; // the question of this step
    std::optional<Setup> m_setup;
    Probe m_probe = Probe::No;
    QList<int> m_channels;
    qsizetype m_position = 0;
    Step m_step = Step::Reading;
    QList<int> m_answered;
    QList<int> m_silent;
    QList<int> m_skipped;
    QList<int> m_unreached;
    QList<FieldDifference> m_notTaken;
    bool m_lineFailed = false;
    bool m_running = false;
    quint64 m_run = 0;
};

} // namespace qm
