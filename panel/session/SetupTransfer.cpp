#include "panel/session/SetupTransfer.h"

#include "link/Poller.h"
#include "panel/editor/ChannelEditor.h"
#include "panel/session/SetupDialogs.h"
#include "panel/window/Notifier.h"

#include <QAction>
#include <QMenu>
#include <QProgressDialog>
#include <QWidget>

namespace qm {

SetupTransfer::SetupTransfer(Panel panel, QObject *parent)
    : QObject(parent), m_panel(panel),
      m_session(panel.model, panel.table, panel.line, panel.receiver),
      m_saveAction(addAction(QStringLiteral("actSaveSetup"), QStringLiteral("Save Setup..."),
                             QKeySequence(Qt::CTRL | Qt::Key_S))),
      m_loadAction(addAction(QStringLiteral("actLoadSetup"), QStringLiteral("Load Setup..."),
                             QKeySequence(Qt::CTRL | Qt::Key_O)))
{
    connect(m_saveAction, &QAction::triggered, this, &SetupTransfer::save);
    connect(m_loadAction, &QAction::triggered, this, &SetupTransfer::load);
    connect(&m_session, &SetupSession::progressed, this, &SetupTransfer::showProgress);
    connect(&m_session, &SetupSession::finished, this, &SetupTransfer::finish);
    // Controls with a menu of their own keep it; a right click anywhere else reaches the
    // window, the "Control:" frame included.
    m_panel.window.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&m_panel.window, &QWidget::customContextMenuRequested, this, &SetupTransfer::showMenu);
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

void SetupTransfer::showMenu(const QPoint &position)
{
    QMenu *menu = new QMenu(&m_panel.window);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addActions({m_saveAction, m_loadAction});
    menu->popup(m_panel.window.mapToGlobal(position));
}

bool SetupTransfer::mayStart()
{
    if (!m_panel.poller.isRunning() && !m_session.isRunning())
        return true;
    m_panel.notifier.tell(
        m_panel.window.windowTitle(),
        QStringLiteral("The unit is busy being read; try again when it is done."));
    return false;
}

// A panel that has heard from no channel holds only zeros; saved, they would restore as a
// blank unit.
void SetupTransfer::save()
{
    if (!mayStart())
        return;
    if (m_panel.poller.channelsFound() == 0) {
        m_panel.notifier.tell(m_panel.window.windowTitle(),
                              QStringLiteral("No channel has answered yet: there is no setup "
                                             "to save."));
        return;
    }
    const QString path = m_panel.dialogs.saveFileName(
        &m_panel.window, m_panel.model.name + QStringLiteral("-setup.json"));
    if (path.isEmpty())
        return;
    const WriteResult written = writeSetupFile(
        path, Setup::of(m_panel.model, m_panel.table, allChannelIndices()), m_panel.fileOutput);
    if (!written.ok)
        m_panel.notifier.tell(
            m_panel.window.windowTitle(),
            QStringLiteral("The setup could not be saved to %1: %2").arg(path, written.error));
}

// Only channels that differ from what the panel holds go out; the operator sees which.
void SetupTransfer::load()
{
    if (!mayStart())
        return;
    const QString path = m_panel.dialogs.openFileName(&m_panel.window);
    if (path.isEmpty())
        return;
    const SetupReadResult read = readSetupFile(path, m_panel.model);
    if (!read.setup) {
        m_panel.notifier.tell(m_panel.window.windowTitle(), read.error);
        return;
    }
    QList<int> changed;
    for (int index = 0; index < ChannelCount; ++index) {
        if (!channelDifferences(*read.setup, index, m_panel.table[index]).isEmpty())
            changed.append(index);
    }
    if (changed.isEmpty()) {
        m_panel.notifier.tell(m_panel.window.windowTitle(),
                              QStringLiteral("The panel already holds this setup."));
        return;
    }
    if (m_panel.dialogs.confirm(&m_panel.window, m_panel.window.windowTitle(),
                                describeChanges(*read.setup, changed)))
        send(*read.setup, changed);
}

QString SetupTransfer::describeChanges(const Setup &setup, const QList<int> &channels) const
{
    QString text = QStringLiteral("These channels differ from the setup file:\n");
    for (int index : channels) {
        QStringList fields;
        for (const FieldDifference &difference :
             channelDifferences(setup, index, m_panel.table[index]))
            fields << difference.field;
        text += QStringLiteral("Channel %1: %2\n").arg(index + 1).arg(fields.join(u", "));
    }
    return text + QStringLiteral("\nSend them to the unit?");
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
    m_session.write(setup, channels);
}

void SetupTransfer::showProgress(int done, int count)
{
    if (m_progress && done < count)
        m_progress->setValue(done);
}

void SetupTransfer::finish()
{
    delete m_progress;
    m_panel.editor.showChannel(m_panel.editor.currentChannel());
    QStringList problems;
    if (!m_session.silentChannels().isEmpty())
        problems << QStringLiteral("No answer from channel(s) %1.")
                        .arg(channelNumbers(m_session.silentChannels()));
    for (const FieldDifference &difference : m_session.notTaken())
        problems << describeDifference(difference) + QStringLiteral(": did not take");
    if (!problems.isEmpty())
        m_panel.notifier.tell(m_panel.window.windowTitle(),
                              QStringLiteral("The unit did not take the whole setup.\n") +
                                  problems.join(u'\n'));
    emit loadFinished();
}

} // namespace qm
