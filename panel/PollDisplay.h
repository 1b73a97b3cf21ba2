#pragma once

#include <QObject>

namespace qm {

class ChannelEditor;
class Poller;
class ReplyReceiver;
struct MainWindowControls;
struct SharedState;

// What the window shows of a poll of the unit: the connecting panel and every selector off
// while it runs, each channel's selector as its reply comes in, and afterwards the settings
// controls and channel 1 when any channel answered.
class PollDisplay : public QObject
{
    Q_OBJECT
public:
    PollDisplay(const MainWindowControls &controls, const SharedState &state, ChannelEditor &editor,
                Poller &poller, ReplyReceiver &receiver, QObject *parent = nullptr);

private:
    void showStarted();
    void enableAnsweredChannel(int index);
    void showFinished();
    void enableSettingControls(bool enabled);

    const MainWindowControls &m_controls;
    const SharedState &m_state;
    ChannelEditor &m_editor;
};

} // namespace qm
