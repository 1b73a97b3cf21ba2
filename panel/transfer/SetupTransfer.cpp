#include "panel/transfer/SetupTransfer.h"

#include "link/Poller.h"
#include "link/SessionOutcome.h"
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

// A channel phrase opening a sentence.
QString sentenceStart(QString phrase)
{
    if (!phrase.isEmpty())
        phrase[0] = phrase[0].toUpper();
    return phrase;
}

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
    return QStringLiteral("\n%1 of the file did not answer on this port and %2 left out.\n")
        .arg(sentenceStart(channelsPhrase(skipped)), agreeing(skipped, "is", "are"));
}

QString fieldList(const QList<FieldDifference> &differences)
{
    QStringList fields;
    for (const FieldDifference &difference : differences)
        fields << describeChange(difference);
    return fields.join(u", ");
}

} // namespace

SetupTransfer::SetupTransfer(Panel panel, QObject *parent)
    : QObject(parent), m_panel(panel), m_session(panel.model, panel.receiver.lastReplies(),
                                                 panel.line, panel.receiver, panel.line.link()),
      m_saveAction(addAction(QStringLiteral("actSaveSetup"), QStringLiteral("Save Setup..."),
                             QKeySequence(Qt::CTRL | Qt::Key_S))),
      m_loadAction(addAction(QStringLiteral("actLoadSetup"), QStringLiteral("Load Setup..."),
                             QKeySequence(Qt::CTRL | Qt::Key_O)))
{
    connect(m_saveAction, &QAction::triggered, this, &SetupTransfer::save);
    connect(m_loadAction, &QAction::triggered, this, &SetupTransfer::load);
    connect(&m_session, &SetupSession::progressed, this, &SetupTransfer::showProgress);
    connect(&m_session, &SetupSession::finished, this, &SetupTransfer::finish);
    connect(&m_panel.line.link(), &SerialLink::lineLost, &m_session, &SetupSession::abandon);
    // While the port waits for its adapter, what the session sends is only held, not sent.
    connect(&m_panel.line.link(), &SerialLink::recovered, &m_session, [this](bool reopened) {
        if (!reopened)
            m_session.abandon();
    });
    // Controls with a menu of their own keep it; a right click anywhere else reaches the
    // window, the "Control:" frame included.
    m_windowMenuPolicy = m_panel.window.contextMenuPolicy();
    m_panel.window.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&m_panel.window, &QWidget::customContextMenuRequested, this, &SetupTransfer::showMenu);
    // No control of the window's design leads to them; the frame the menu opens from names
    // them and their keys (and so does a screen reader, which speaks the tip).
    m_frameTip = m_panel.window.controls().controlFrame->toolTip();
    m_panel.window.controls().controlFrame->setToolTip(menuHint());
}

// The window goes on without the menu; the actions leave it as they go with the transfer.
SetupTransfer::~SetupTransfer()
{
    delete m_progress;
    m_panel.window.setContextMenuPolicy(m_windowMenuPolicy);
    m_panel.window.controls().controlFrame->setToolTip(m_frameTip);
}

QAction *SetupTransfer::addAction(const QString &name, const QString &text,
                                  const QKeySequence &keys)
{
    auto *action = new QAction(text, this);
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

// Sent on a line that is down, a setup would go nowhere and its read-backs would pass for a
// unit that did not answer.
bool SetupTransfer::refuseOnLineTrouble()
{
    const QString trouble = lineTrouble();
    if (trouble.isEmpty())
        return false;
    warn(trouble + QStringLiteral(" Nothing was sent."));
    return true;
}

QString SetupTransfer::lineTrouble() const
{
    if (m_panel.line.isLost())
        return QStringLiteral("The line to the unit failed and its port is closed: pick the port "
                              "again or press F5 to read the unit, then load the setup.");
    if (m_panel.line.link().isRecovering())
        return QStringLiteral("The line to the unit failed and the panel is waiting for the "
                              "adapter to come back: load the setup once the unit has been read "
                              "again (F5).");
    if (!m_panel.line.isOpen())
        return QStringLiteral("No port to the unit is open.");
    return {};
}

void SetupTransfer::tell(const QString &text)
{
    m_panel.messageBoxes.tell(m_panel.window.windowTitle(), text);
}

void SetupTransfer::warn(const QString &text)
{
    m_panel.messageBoxes.warn(m_panel.window.windowTitle(), text);
}

const ChannelSettings &SetupTransfer::unitReported(int index) const
{
    return m_panel.receiver.lastReplies()[index];
}

// Channels whose record in the window is not what the unit last reported: an edit not sent,
// or sent and not read back, a value the window corrected to show it, a multiple update.
QList<int> SetupTransfer::heldOtherwise(const QList<int> &channels) const
{
    QList<int> result;
    for (int index : channels) {
        if (m_panel.table[index] != unitReported(index) ||
            m_panel.line.delivery().sentSinceReply(index))
            result.append(index);
    }
    return result;
}

QString SetupTransfer::describeHeldOtherwise(const QList<int> &channels) const
{
    const Setup shown = Setup::of(m_panel.model, m_panel.table, channels);
    QString text;
    for (int index : channels) {
        const QString fields = fieldList(channelDifferences(shown, index, unitReported(index)));
        text += QStringLiteral("Channel %1: %2\n")
                    .arg(index + 1)
                    .arg(fields.isEmpty() ? QStringLiteral("sent, not read back yet") : fields);
    }
    return text;
}

// Only what the unit on this port said goes into the file: a channel that did not answer
// would be restored from whatever the panel happened to hold, as a blank channel or another
// unit's settings, and a channel the panel holds otherwise is saved as the unit reported it.
void SetupTransfer::save()
{
    if (!mayStart())
        return;
    if (m_panel.poller.answeredChannels().isEmpty()) {
        tell(QStringLiteral("No channel has answered on this port: there is no setup to save."));
        return;
    }
    const QString path = m_panel.dialogs.saveFileName(
        &m_panel.window, m_panel.model.name + QStringLiteral("-setup.json"));
    if (path.isEmpty())
        return;
    if (readAgainIfWanted())
        writeSetup(path);
}

// Where the window holds something else, the operator may have the unit read first; false
// when nothing answered then.
bool SetupTransfer::readAgainIfWanted()
{
    const QList<int> otherwise = heldOtherwise(m_panel.poller.answeredChannels());
    if (otherwise.isEmpty() ||
        !m_panel.dialogs.confirm(
            &m_panel.window, m_panel.window.windowTitle(),
            QStringLiteral("The panel holds settings the unit has not confirmed:\n") +
                describeHeldOtherwise(otherwise) +
                QStringLiteral("\nThe file takes what the unit last reported. Read the unit "
                               "again (F5) before saving? Edits not sent are then given up.")))
        return true;
    m_panel.readUnitAgain();
    if (!m_panel.poller.answeredChannels().isEmpty())
        return true;
    tell(QStringLiteral("No channel answered when the unit was read again: nothing was saved."));
    return false;
}

void SetupTransfer::writeSetup(const QString &path)
{
    const QList<int> answered = m_panel.poller.answeredChannels();
    const Setup setup = Setup::of(m_panel.model, m_panel.receiver.lastReplies(), answered);
    const WriteResult written = writeSetupFile(path, setup, m_panel.fileOutput);
    if (!written.ok) {
        warn(QStringLiteral("The setup could not be saved to %1: %2").arg(path, written.error));
        return;
    }
    QStringList notes;
    if (const QList<int> missing = missingFrom(answered); !missing.isEmpty())
        notes << QStringLiteral("%1 did not answer and %2 not in the file.")
                     .arg(sentenceStart(channelsPhrase(missing)), agreeing(missing, "is", "are"));
    for (int index : answered) {
        for (const SettingProblem &problem : unrestorable(setup, index))
            notes << describeProblem(problem) + QStringLiteral(": the file keeps it, but it "
                                                               "cannot be restored so");
    }
    if (const QList<int> otherwise = heldOtherwise(answered); !otherwise.isEmpty())
        notes << QStringLiteral("%1 %2 in the file as the unit last reported %3, not as the "
                                "panel shows %3.")
                     .arg(sentenceStart(channelsPhrase(otherwise)),
                          agreeing(otherwise, "is", "are"), agreeing(otherwise, "it", "them"));
    if (!notes.isEmpty())
        tell(QStringLiteral("The setup was saved to %1.\n").arg(path) + notes.join(u'\n'));
}

// Of the file's channels only those that answered on this port go out, and of those only the
// ones that differ from what the unit holds; the operator sees which before anything is sent.
void SetupTransfer::load()
{
    if (!mayStart() || refuseOnLineTrouble())
        return;
    const QString path = m_panel.dialogs.openFileName(&m_panel.window);
    if (path.isEmpty())
        return;
    const SetupReadResult read = readSetupFile(path, m_panel.model);
    if (!read.setup) {
        warn(read.error);
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
        if (needsSending(setup, index))
            changed.append(index);
    }
    if (changed.isEmpty()) {
        tell(QStringLiteral("The unit already holds this setup.") + leftOut(skipped));
        return;
    }
    // The line may have failed while the question was open.
    if (m_panel.dialogs.confirm(&m_panel.window, m_panel.window.windowTitle(),
                                describeChanges(setup, changed, skipped)) &&
        !refuseOnLineTrouble())
        send(setup, changed);
}

// The unit's last reply decides. A channel the panel has sent settings to since then may hold
// those instead, so for it the window's record has its say too.
bool SetupTransfer::needsSending(const Setup &setup, int index) const
{
    if (!channelDifferences(setup, index, unitReported(index)).isEmpty())
        return true;
    return m_panel.line.delivery().sentSinceReply(index) &&
           !channelDifferences(setup, index, m_panel.table[index]).isEmpty();
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
    warn(QStringLiteral("%1 cannot be loaded as it stands; nothing was sent.\n").arg(path) +
         problems.join(u'\n'));
    return true;
}

QString SetupTransfer::describeChanges(const Setup &setup, const QList<int> &channels,
                                       const QList<int> &skipped) const
{
    QString text = QStringLiteral("These channels of the unit differ from the setup file:\n");
    QStringList notes;
    for (int index : channels) {
        const QString fields = fieldList(channelDifferences(setup, index, unitReported(index)));
        text += QStringLiteral("Channel %1: %2\n")
                    .arg(index + 1)
                    .arg(fields.isEmpty() ? QStringLiteral("the panel has sent it settings since "
                                                           "it last answered")
                                          : fields);
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
    const QStringList problems = describeOutcome();
    if (!problems.isEmpty())
        warn(QStringLiteral("The unit did not take the whole setup.\n") + problems.join(u'\n'));
    else
        emit succeeded(QStringLiteral("The setup was loaded: %1 %2 it, as read back.")
                           .arg(channelsPhrase(m_session.answered()),
                                agreeing(m_session.answered(), "holds", "hold")));
    emit loadFinished();
}

QStringList SetupTransfer::describeOutcome() const
{
    QStringList problems;
    if (const QString failure = lineFailure(m_session); !failure.isEmpty())
        problems << sentenceStart(failure) + u'.';
    if (const QString silence = silenceAfterSending(m_session); !silence.isEmpty())
        problems << sentenceStart(silence) +
                        QStringLiteral(": the panel shows what it read before.");
    problems += notTaken(m_session);
    if (m_session.lineFailed() || !m_session.silentChannels().isEmpty())
        problems << QStringLiteral("Press F5 to read the unit again.");
    return problems;
}

} // namespace qm
