#include "panel/ports/UnitSearch.h"

#include "link/Poller.h"
#include "link/PortWords.h"

#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm {

namespace {

using Result = UnitFinder::Finding::Result;

constexpr int ResultWidthChars = 64;

QLabel *wrappedLabel(const QString &text)
{
    auto *label = new QLabel(text);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

UnitSearch::UnitSearch(Panel panel, std::unique_ptr<SerialPort> port,
                       std::function<AdapterInfo(const QString &)> describeAdapter, QObject *parent)
    : QObject(parent), m_panel(std::move(panel)), m_port(std::move(port)),
      m_finder(*m_port, std::move(describeAdapter)),
      m_action(new QAction(QStringLiteral("Find the Unit..."), &m_panel.window))
{
    m_action->setObjectName(QStringLiteral("actFindUnit"));
    m_action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    m_action->setShortcutContext(Qt::WindowShortcut);
    m_panel.window.addAction(m_action);
    connect(m_action, &QAction::triggered, this, &UnitSearch::start);
    connect(&m_finder, &UnitFinder::asking, this, &UnitSearch::showAsking);
    connect(&m_finder, &UnitFinder::finished, this, &UnitSearch::showFindings);
    m_finder.setHeldPortLender(m_panel.lender);
}

UnitSearch::~UnitSearch()
{
    delete m_progress;
    delete m_results;
}

void UnitSearch::start()
{
    delete m_results;
    m_heldPort = m_panel.heldPort();
    m_finder.start(m_panel.model, m_heldPort);
    if (!m_progress) {
        m_progress =
            new QProgressDialog(QStringLiteral("Looking for the unit..."), QStringLiteral("Cancel"),
                                0, PortManager::LastPort, &m_panel.window);
        m_progress->setWindowTitle(m_panel.window.windowTitle());
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
        connect(m_progress, &QProgressDialog::canceled, this, &UnitSearch::cancel);
    }
    m_progress->setValue(0);
    m_progress->show();
}

void UnitSearch::cancel()
{
    m_finder.cancel();
    delete m_progress;
}

void UnitSearch::showAsking(int port, const UnitModel &model)
{
    if (!m_progress)
        return;
    const QString own = port == m_heldPort
                            ? QStringLiteral(", this panel's port; edits wait until it is back")
                            : QString();
    m_progress->setLabelText(QStringLiteral("Asking COM%1 at %2 baud (%3)%4...")
                                 .arg(port)
                                 .arg(model.baudRate)
                                 .arg(model.name, own));
    m_progress->setValue(port - 1);
}

// Left open beside the window, which keeps working; a port picked from it closes it.
void UnitSearch::showFindings()
{
    delete m_progress;
    auto *dialog = new QDialog(&m_panel.window);
    m_results = dialog;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setObjectName(QStringLiteral("findResults"));
    dialog->setWindowTitle(m_panel.window.windowTitle());
    // Wide enough that a port's line with its adapter wraps once at most.
    dialog->setMinimumWidth(dialog->fontMetrics().averageCharWidth() * ResultWidthChars);
    auto *layout = new QVBoxLayout(dialog);
    // The wrapped lines' height follows the width; the height a narrow width needs would
    // leave gaps between them.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->addWidget(wrappedLabel(QStringLiteral("Each port was asked for channel 1's settings "
                                                  "at %1.")
                                       .arg(m_finder.speedsTried())));
    QStringList silent;
    bool found = false;
    for (const UnitFinder::Finding &finding : m_finder.findings()) {
        if (finding.result == Result::Silent && !finding.heardBytes) {
            silent << label(finding);
            continue;
        }
        auto *row = new QHBoxLayout;
        row->addWidget(wrappedLabel(describe(finding)), 1);
        const bool ours = finding.result == Result::Answered && finding.model == &m_panel.model;
        found = found || ours;
        if (ours && !finding.ownPort) {
            auto *use = new QPushButton(QStringLiteral("Use COM%1").arg(finding.port));
            connect(use, &QPushButton::clicked, dialog, [this, dialog, port = finding.port] {
                dialog->close();
                m_panel.pick(port);
            });
            row->addWidget(use, 0, Qt::AlignTop);
        }
        layout->addLayout(row);
    }
    if (!silent.isEmpty())
        layout->addWidget(wrappedLabel(
            QStringLiteral("No answer from %1.").arg(silent.join(QStringLiteral(", ")))));
    if (m_finder.findings().isEmpty())
        layout->addWidget(wrappedLabel(QStringLiteral(
            "None of COM1 to COM16 has a device. Plug the adapter in, then look again (Ctrl+F).")));
    else if (!found && m_panel.poller.answeredChannels().isEmpty())
        layout->addWidget(wrappedLabel(
            QStringLiteral("No %1 answered. Check that the unit is switched on and its cable is "
                           "in, then look again (Ctrl+F).")
                .arg(m_panel.model.name)));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    layout->addWidget(buttons);
    dialog->resize(dialog->minimumWidth(), layout->totalHeightForWidth(dialog->minimumWidth()));
    dialog->show();
}

// "COM1 (/dev/ttyUSB0, this panel's port)" for the port the panel lent.
QString UnitSearch::label(const UnitFinder::Finding &finding)
{
    if (!finding.ownPort)
        return finding.portLabel();
    UnitFinder::Finding named = finding;
    named.device = finding.device.isEmpty()
                       ? QStringLiteral("this panel's port")
                       : finding.device + QStringLiteral(", this panel's port");
    return named.portLabel();
}

QString UnitSearch::describe(const UnitFinder::Finding &finding) const
{
    switch (finding.result) {
    case Result::Answered: {
        const QString answer =
            QStringLiteral("%1: a %2 answers").arg(label(finding), finding.model->name);
        if (finding.model == &m_panel.model)
            return answer + u'.';
        return answer + QStringLiteral(". This is the %1: use the %2 for that unit.")
                            .arg(m_panel.model.windowTitle, finding.model->windowTitle);
    }
    case Result::Silent:
        return QStringLiteral("%1: bytes came, but no unit's reply at either speed.")
            .arg(label(finding));
    case Result::Refused:
        return QStringLiteral("%1: %2.").arg(label(finding),
                                             refusalCure(finding.refusal, PortRetry::RunAgain));
    case Result::Held:
        break;
    }
    return describeHeld(finding);
}

// What the last poll found on the panel's own port stands for asking it again.
QString UnitSearch::describeHeld(const UnitFinder::Finding &finding) const
{
    const QString mine =
        QStringLiteral("%1: this panel's port, not asked: ").arg(finding.portLabel());
    if (!m_panel.poller.answeredChannels().isEmpty())
        return mine +
               QStringLiteral("a %1 answered when it was last read.").arg(m_panel.model.name);
    QStringList others;
    for (const UnitModel *model : m_finder.models()) {
        if (model != &m_panel.model)
            others << QStringLiteral("a %1 (use the %2)").arg(model->name, model->windowTitle);
    }
    return mine + QStringLiteral("no channel answered when it was last read at %1 baud. A unit "
                                 "on it is switched off, or is %2.")
                      .arg(m_panel.model.baudRate)
                      .arg(others.join(QStringLiteral(" or ")));
}

} // namespace qm
