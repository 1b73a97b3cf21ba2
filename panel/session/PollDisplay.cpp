#include "panel/session/PollDisplay.h"

#include "link/Poller.h"
#include "panel/editor/ChannelEditor.h"
#include "panel/ports/ComportList.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/MainWindowControls.h"
#include "protocol/ReplyReceiver.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

namespace qm {

PollDisplay::PollDisplay(const MainWindowControls &controls, const ComportList &comports,
                         ChannelEditor &editor, Poller &poller, ReplyReceiver &receiver,
                         QObject *parent)
    : QObject(parent), m_controls(controls), m_comports(comports), m_editor(editor)
{
    connect(&poller, &Poller::started, this, &PollDisplay::showStarted);
    connect(&poller, &Poller::finished, this, &PollDisplay::showFinished);
    connect(&receiver, &ReplyReceiver::channelAnswered, this, &PollDisplay::enableAnsweredChannel);
}

void PollDisplay::showStarted()
{
    m_editor.clearButtons();
    m_controls.lblStatus->setText(QStringLiteral("Connecting to device on Com ") +
                                  QString::number(m_comports.selectedPort()) +
                                  QStringLiteral(" ..."));
    m_controls.frameConnecting->show();
    for (ChannelSelector *selector : m_controls.channelSelectors)
        selector->setEnabled(false);
}

void PollDisplay::enableAnsweredChannel(int index)
{
    m_controls.channelSelectors.at(static_cast<std::size_t>(index))->setEnabled(true);
}

void PollDisplay::showFinished(int channelsFound)
{
    m_controls.frameConnecting->hide();
    enableSettingControls(channelsFound > 0);
    if (channelsFound > 0)
        m_editor.selectChannel(0);
}

void PollDisplay::enableSettingControls(bool enabled)
{
    m_controls.sstSettings->setEnabled(enabled);
    m_controls.cmdUpdateMultiple->setEnabled(enabled);
    m_controls.chkUpdateImmediately->setEnabled(enabled);
}

} // namespace qm
