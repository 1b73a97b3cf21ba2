#pragma once

#include "protocol/CommandSender.h"
#include "protocol/FrameSink.h"
#include "protocol/ReplyReceiver.h"
#include "protocol/SetupFile.h"

#include <QList>
#include <QObject>
#include <QTimer>

#include <optional>

namespace qm {

// Reads channels from the unit, or writes a setup to them and reads them back, one channel
// at a time: the next channel is asked for as soon as the reply before it has come, and a
// channel that stays silent gets 300 ms once its frames have crossed the line. It runs on
// timers and the receiver's signal, never in a wait of its own, so the program around it
// keeps working.
class SetupSession : public QObject
{
    Q_OBJECT
public:
    static constexpr int SilenceMs = 300;

    // Frames go to the line; replies come in through the receiver into the table.
    SetupSession(const UnitModel &model, ChannelTable &table, FrameSink &line,
                 ReplyReceiver &receiver, QObject *parent = nullptr);

    // Asks the channels (indices 0..11) for their settings.
    void read(const QList<int> &channels);
    // Sends each channel's settings of the setup with the frames and in the order the Update
    // button uses, then asks the channel for its settings to see what took.
    void write(const Setup &setup, const QList<int> &channels);

    bool isRunning() const { return m_running; }
    const QList<int> &silentChannels() const { return m_silent; }
    // After a write: every field the unit holds otherwise than the setup gives it.
    const QList<FieldDifference> &notTaken() const { return m_notTaken; }

signals:
    // done of count channels have answered or stayed silent; also as the first one starts.
    void progressed(int done, int count);
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
    void startStep();
    void sendSetup(int channel);
    void onAnswered(int index);
    void endStep();
    int lineTimeMs(qsizetype bytes) const;

    const UnitModel &m_model;
    ChannelTable &m_table;
    CountingSink m_counter;
    CommandSender m_sender;
    QTimer m_silence;
    std::optional<Setup> m_setup;
    QList<int> m_channels;
    qsizetype m_position = 0;
    static constexpr int NoChannel = -1;
    int m_awaited = NoChannel; // the channel whose reply ends the step
    QList<int> m_silent;
    QList<FieldDifference> m_notTaken;
    bool m_running = false;
};

} // namespace qm
