#include "panel/transfer/SetupTransfer.h"

#include "link/Poller.h"
#include "panel/editor/ChannelEditor.h"
#include "panel/transfer/SetupDialogs.h"
#include "panel/window/MainWindow.h"
#include "panel/window/MessageBoxes.h"
#include "protocol/ChannelList.h"
#include "protocol/RoundTrip.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QProgressDialog>
#include <QWidget>

namespace qm {

namespace {

QList<int> missingFrom(const QList<int> &channels)
{
    QList<int> missing;
    for (int index : allChannelIndices()) {
        if (!channels.contains(index))
            missing.append(index);
    }
    return missing;
}

// What the operator is told of the file's channels that did not answer.
QString leftOut(const QList<int> &skipped)
{
    if (skipped.isEmpty())
        return {};
    return QStringLiteral("\nChannel(s) %1 of the file did not answer on this port and are "
                          "left out.\n")
        .arg(channelNumbers(skipped));
}

} // namespace

SetupTransfer::SetupTransfer(Panel panel, QObject *parent)
    : QObject(parent), m_panel(panel),
      m_session(panel.model, panel.table, panel.line, panel.receiver, panel.line),
      m_saveAction(addAction(QStringLiteral("actSaveSetup"), QStringLiteral("Save Setup..."),
                             QKeySequence(Qt::CTRL | Qt::Key_S))),
      m_loadAction(addAction(QStringLiteral("actLoadSetup"), QStringLiteral("Load Setup..."),
                             QKeySequence(Qt::CTRL | Qt::Key_O)))
{
    connect(m_saveAction, &QAction::triggered, this, &SetupTransfer::save);
    connect(m_loadAction, &QAction::triggered, this, &SetupTransfer::load);
    connect(&m_session, &SetupSession::progressed, this, &SetupTransfer::showProgress);
    connect(&m_session, &SetupSession::finished, this, &SetupTransfer::finish);
    connect(&m_panel.line, &SerialLink::lineLost, &m_session, &SetupSession::abandon);
    // Controls with a menu of their own keep it; a right click anywhere else reaches the
    // window, the "Control:" frame included.
    m_panel.window.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&m_panel.window, &QWidget::customContextMenuRequested, this, &SetupTransfer::showMenu);
    // No control of the window's design leads to them; the frame the menu opens from names
    // them and their keys (and so does a screen reader, which speaks the tip).
    m_panel.window.controls().controlFrame->setToolTip(menuHint());
}

SetupTransfer::~SetupTransfer()
{
    delete m_progress;
}

QAction *SetupTransfer::addAction(const QString &name, const QString &text,
                                  const QKeySequence &keys)
{
    auto *action = new QAction(text, &m_panel.window);
    action->setObjectName(name);
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    m_panel.window.addAction(action);
    return action;
}

// Every action of the window: Save and Load Setup, and those others gave it (Find the Unit).
void SetupTransfer::showMenu(const QPoint &position)
{
    QMenu *menu = new QMenu(&m_panel.window);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addActions(m_panel.window.actions());
    menu->popup(m_panel.window.mapToGlobal(position));
}

QString SetupTransfer::menuHint() const
{
    const auto offer = [](const QAction *action) {
        return QStringLiteral("%1 (%2)").arg(action->text(),
                                             action->shortcut().toString(QKeySequence::NativeText));
    };
    return QStringLiteral("Right-click here or on the window background for %1 and %2")
        .arg(offer(m_saveAction), offer(m_loadAction));
}

bool SetupTransfer::mayStart()
{
    if (!m_panel.poller.isRunning() && !m_session.isRunning())
        return true;
    tell(QStringLiteral("The unit is busy being read; try again when it is done."));
    return false;
}

void SetupTransfer::tell(const QString &text)
{
    m_panel.messageBoxes.tell(m_panel.window.windowTitle(), text);
}

// Only what the unit on this port said goes into the file: a channel that did not answer
// would be restored from whatever the panel happened to hold, as a blank channel or another
// unit's settings.
void SetupTransfer::save()
{
    if (!mayStart())
        return;
    const QList<int> answered = m_panel.poller.answeredChannels();
    if (answered.isEmpty()) {
        tell(QStringLiteral("No channel has answered on this port: there is no setup to save."));
        return;
    }
    const QString path = m_panel.dialogs.saveFileName(
        &m_panel.window, m_panel.model.name + QStringLiteral("-setup.json"));
    if (path.isEmpty())
        return;
    const Setup setup = Setup::of(m_panel.model, m_panel.table, answered);
    const WriteResult written = writeSetupFile(path, setup, m_panel.fileOutput);
    if (!written.ok) {
        tell(QStringLiteral("The setup could not be saved to %1: %2").arg(path, written.error));
        return;
    }
    QStringList notes;
    if (answered.size() < ChannelCount)
        notes << QStringLiteral("Channel(s) %1 did not answer and are not in the file.")
                     .arg(channelNumbers(missingFrom(answered)));
    for (int index : answered) {
        for (const SettingProblem &problem : unrestorable(setup, index))
            notes << describeProblem(problem) + QStringLiteral(": the file keeps it, but it "
                                                               "cannot be restored so");
    }
    if (!notes.isEmpty())
        tell(QStringLiteral("The setup was saved to %1.\n").arg(path) + notes.join(u'\n'));
}

// Of the file's channels only those that answered on this port go out, and of those only the
// ones that differ from what the panel holds; the operator sees which before anything is sent.
void SetupTransfer::load()
{
    if (!mayStart())
        return;
    const QString path = m_panel.dialogs.openFileName(&m_panel.window);
    if (path.isEmpty())
        return;
    const SetupReadResult read = readSetupFile(path, m_panel.model);
    if (!read.setup) {
        tell(read.error);
        return;
    }
    const Setup &setup = *read.setup;
    QList<int> answering;
    QList<int> skipped;
    for (int index : setup.present)
        (m_panel.poller.answeredChannels().contains(index) ? answering : skipped).append(index);
    if (refuseUnrestorable(path, setup, answering))
        return;
    QList<int> changed;
    for (int index : answering) {
        if (!channelDifferences(setup, index, m_panel.table[index]).isEmpty())
            changed.append(index);
    }
    if (changed.isEmpty()) {
        tell(QStringLiteral("The panel already holds this setup.") + leftOut(skipped));
        return;
    }
    if (m_panel.dialogs.confirm(&m_panel.window, m_panel.window.windowTitle(),
                                describeChanges(setup, changed, skipped)))
        send(setup, changed);
}

bool SetupTransfer::refuseUnrestorable(const QString &path, const Setup &setup,
                                       const QList<int> &channels)
{
    QStringList problems;
    for (int index : channels) {
        for (const SettingProblem &problem : unrestorable(setup, index))
            problems << describeProblem(problem);
    }
    if (problems.isEmpty())
        return false;
    tell(QStringLiteral("%1 cannot be loaded as it stands; nothing was sent.\n").arg(path) +
         problems.join(u'\n'));
    return true;
}

QString SetupTransfer::describeChanges(const Setup &setup, const QList<int> &channels,
                                       const QList<int> &skipped) const
{
    QString text = QStringLiteral("These channels differ from the setup file:\n");
    QStringList notes;
    for (int index : channels) {
        QStringList fields;
        for (const FieldDifference &difference :
             channelDifferences(setup, index, m_panel.table[index]))
            fields << difference.field;
        text += QStringLiteral("Channel %1: %2\n").arg(index + 1).arg(fields.join(u", "));
        for (const SettingProblem &problem : unusual(setup, index))
            notes << describeProblem(problem);
    }
    if (!notes.isEmpty())
        text += QStringLiteral("\nSent as they are, though the panel does not offer them:\n") +
                notes.join(u'\n') + u'\n';
    return text + leftOut(skipped) + QStringLiteral("\nSend them to the unit?");
}

void SetupTransfer::send(const Setup &setup, const QList<int> &channels)
{
    m_progress = new QProgressDialog(QStringLiteral("Sending the setup to the unit..."), {}, 0,
                                     static_cast<int>(channels.size()), &m_panel.window);
    m_progress->setWindowTitle(m_panel.window.windowTitle());
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setCancelButton(nullptr);
    m_progress->setMinimumDuration(0);
    m_progress->setValue(0);
    m_session.write(setup, channels, SetupSession::Probe::No);
}

void SetupTransfer::showProgress(SetupSession::Step, int done, int count)
{
    if (m_progress && done < count)
        m_progress->setValue(done);
}

// The table holds only what the unit sent back, so a channel without a read-back still
// shows what was read before, which may no longer be what the unit holds.
void SetupTransfer::finish()
{
    delete m_progress;
    m_panel.editor.showChannel(m_panel.editor.currentChannel());
    QStringList problems;
    if (m_session.lineFailed())
        problems << QStringLiteral("The line failed before channel(s) %1 had been sent and "
                                   "checked.")
                        .arg(channelNumbers(m_session.unreached()));
    if (!m_session.silentChannels().isEmpty())
        problems << QStringLiteral("No answer from channel(s) %1 after their settings were "
                                   "sent: the panel shows what it read before.")
                        .arg(channelNumbers(m_session.silentChannels()));
    for (const FieldDifference &difference : m_session.notTaken())
        problems << describeDifference(difference) + QStringLiteral(": did not take");
    if (m_session.lineFailed() || !m_session.silentChannels().isEmpty())
        problems << QStringLiteral("Press F5 to read the unit again.");
    if (!problems.isEmpty())
        tell(QStringLiteral("The unit did not take the whole setup.\n") + problems.join(u'\n'));
    emit loadFinished();
}

} // namespace qm
