#include "panel/session/MultiUpdateButton.h"

#include "link/Poller.h"
#include "multiupdate/MultiUpdateRun.h"
#include "multiupdate/SelectionMask.h"
#include "panel/editor/ChannelEditor.h"
#include "protocol/ChannelList.h"

#include <QPushButton>

#include <utility>

namespace qm {

namespace {

// A window manager tells a window its frame only once it has shown it, sometimes later still.
bool frameIsKnown(const QWidget &window)
{
    return window.frameGeometry() != window.geometry();
}

} // namespace

MultiUpdateButton::MultiUpdateButton(QPushButton &button, Panel panel, QObject *parent)
    : QObject(parent), m_panel(panel)
{
    connect(&button, &QPushButton::clicked, this, &MultiUpdateButton::open);
    // Queued: the poll's own handlers finish showing the channels before the dialog comes.
    connect(&panel.poller, &Poller::finished, this, &MultiUpdateButton::openAfterPoll,
            Qt::QueuedConnection);
}

MultiUpdateButton::~MultiUpdateButton()
{
    delete m_dialog;
}

// While a poll runs the table is being read anew and the channel count is not final yet, so
// a click then is kept and the dialog opens when the poll ends.
void MultiUpdateButton::open()
{
    if (m_dialog)
        return;
    if (m_panel.poller.isRunning()) {
        m_openAfterPoll = true;
        return;
    }
    m_dialog = new UpdateDialog(m_panel.model, m_panel.poller.channelsFound(), m_channelSelection,
                                m_settingSelection, &m_panel.window);
    connect(m_dialog, &UpdateDialog::channelSelectionChanged, this,
            &MultiUpdateButton::storeChannelSelection);
    connect(m_dialog, &UpdateDialog::settingSelectionChanged, this,
            &MultiUpdateButton::storeSettingSelection);
    // Queued: the dialog is deleted once it has finished emitting.
    connect(m_dialog, &QDialog::finished, this, &MultiUpdateButton::finish, Qt::QueuedConnection);
    placeCentred();
}

void MultiUpdateButton::openAfterPoll()
{
    if (std::exchange(m_openAfterPoll, false))
        open();
}

// The dialog's own frame is not known before it is shown: until then the main window's frame
// stands in for it, both having the same title bar and border. Where the system reports the
// real frame at once, the dialog is put right before it is drawn.
void MultiUpdateButton::placeCentred()
{
    const QSize decoration = m_panel.window.frameGeometry().size() - m_panel.window.size();
    m_dialog->move(UpdateDialog::centredOn(m_panel.window, m_dialog->size() + decoration));
    m_dialog->show();
    if (frameIsKnown(*m_dialog))
        m_dialog->placeCentredOn(m_panel.window);
}

void MultiUpdateButton::restoreSelections()
{
    m_channelSelection = selectionBits(m_panel.preferences.channelSelection());
    m_settingSelection = selectionBits(m_panel.preferences.settingSelection());
}

void MultiUpdateButton::storeChannelSelection(quint32 mask)
{
    m_channelSelection = mask;
    m_panel.preferences.storeChannelSelection(mask);
}

void MultiUpdateButton::storeSettingSelection(quint32 mask)
{
    m_settingSelection = mask;
    m_panel.preferences.storeSettingSelection(mask);
}

// The dialog goes first; the run follows from the event loop, which also redraws the window
// where the dialog stood.
void MultiUpdateButton::finish()
{
    if (!m_dialog)
        return;
    const bool update = m_dialog->endedByUpdate();
    delete m_dialog;
    if (update)
        QMetaObject::invokeMethod(this, &MultiUpdateButton::run, Qt::QueuedConnection);
}

// Every frame goes to the serial layer at once, back to back; the port sends them out in
// order at the line's pace while the window carries on.
void MultiUpdateButton::run()
{
    const ChannelEditor &editor = m_panel.editor;
    if (updateMultiple(m_panel.model, m_panel.table, editor.currentChannel(), m_channelSelection,
                       m_settingSelection, m_panel.sender,
                       [&editor](int line) { return editor.shownText(line); }))
        emit ran(describeRun(editor.currentChannel()));
}

QString MultiUpdateButton::describeRun(int source) const
{
    QStringList groups;
    for (std::size_t bit = 0; bit < m_panel.model.updateGroups.size(); ++bit) {
        if (isBitSet(m_settingSelection, static_cast<int>(bit)))
            groups << m_panel.model.updateGroups[bit].caption;
    }
    QList<int> channels;
    for (int index = 0; index < ChannelCount; ++index) {
        if (isBitSet(m_channelSelection, index))
            channels << index;
    }
    return QStringLiteral("Multiple Update sent %1 of channel %2 to %3.")
        .arg(inWords(groups))
        .arg(source + 1)
        .arg(channelsPhrase(channels));
}

} // namespace qm
