#pragma once

#include <QObject>

namespace qm {

class ChannelEditor;
class ComportList;
class Poller;
class ReplyReceiver;
struct MainWindowControls;

// What the window shows of a poll of the unit: the connecting panel and every selector off
// while it runs, each channel's selector as its reply comes in, and afterwards the settings
// controls and channel 1 when any channel answered.
class PollDisplay : public QObject
{
    Q_OBJECT
public:
    PollDisplay(const MainWindowControls &controls, const ComportList &comports,
                ChannelEditor &editor, Poller &poller, ReplyReceiver &receiver,
                QObject *parent = nullptr);

private:
    void showStarted();
    void enableAnsweredChannel(int index);
    void showFinished(int channelsFound);
    void enableSettingControls(bool enabled);

    const MainWindowControls &m_controls;
    const ComportList &m_comports;
    ChannelEditor &m_editor;
};

} // namespace qm
