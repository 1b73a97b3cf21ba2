#include "panel/ports/PortAdvice.h"

#include "model/UnitModel.h"
#include "panel/window/NoticePane.h"

namespace qm {

namespace {

// Where each text stands among the window's notices, which it takes anew as it changes.
const QString RefusedTopic = QStringLiteral("refused ports");
const QString StoredTopic = QStringLiteral("stored port");
const QString SilentTopic = QStringLiteral("silent unit");

const QString FindTarget = QStringLiteral("find");
const QString PortTarget = QStringLiteral("port:");

QString findLink()
{
    return QStringLiteral(" ") + NoticePane::link(FindTarget, QStringLiteral("Find the Unit"));
}

// Why a unit of another model would keep silent: each speaks at its own line speed. Nothing
// says the unit is of that model; it is one possibility beside a unit switched off.
QString otherModels(const UnitModel &model)
{
    QStringList others;
    for (const UnitModel *other : unitModels()) {
        if (other != &model)
            others << QStringLiteral("If the unit is a %1, it cannot answer this panel: a %1 "
                                     "speaks at %2 baud, this panel at %3 baud, the %4's speed; "
                                     "use the %1 panel for it.")
                          .arg(other->name)
                          .arg(other->baudRate)
                          .arg(model.baudRate)
                          .arg(model.name);
    }
    return others.join(u' ');
}

} // namespace

PortAdvice::PortAdvice(NoticePane &notice, const UnitModel &model, Diagnostic diagnostic,
                       QObject *parent)
    : QObject(parent), m_noticePane(notice), m_model(model), m_diagnostic(std::move(diagnostic))
{
    connect(&m_noticePane, &NoticePane::linkActivated, this, &PortAdvice::follow);
}

QString PortAdvice::noPortText()
{
    return QStringLiteral("No serial port can be used. Plug the adapter in, then open the "
                          "\"Serial Port:\" list to look again.");
}

void PortAdvice::beginLook()
{
    m_refusals.clear();
    m_noticePane.withdraw(RefusedTopic);
}

void PortAdvice::noteRefusal(const PortRefusal &refusal)
{
    m_refusals.removeIf([&refusal](const PortRefusal &told) { return told.port == refusal.port; });
    m_refusals.append(refusal);
    const QStringList sentences = refusalSentences(m_refusals, PortRetry::PickInList);
    m_noticePane.put(RefusedTopic, sentences.join(u'\n'));
}

void PortAdvice::tellStoredPortMissing(const NamedPort &stored, bool present,
                                       const QList<NamedPort> &usable)
{
    const QString opening =
        QStringLiteral("The panel is set to use %1, which %2. Ports that can be used: ")
            .arg(describePort(stored.port, stored.device),
                 present ? QStringLiteral("cannot be used, as told above")
                         : QStringLiteral("is not there"));
    const QString closing = QStringLiteral("; click the unit's port to use it.");
    QStringList names;
    QStringList links;
    for (const NamedPort &port : usable) {
        names << describePort(port.port, port.device);
        links << NoticePane::link(PortTarget + QString::number(port.port), names.last());
    }
    tell(StoredTopic, opening + listOf(names) + closing,
         NoticePane::richText(opening) + listOf(links) + NoticePane::richText(closing) +
             findLink());
}

void PortAdvice::tellSilentUnit(const NamedPort &port)
{
    const QString text =
        QStringLiteral("No channel answered on %1. Check that the unit is switched on and its "
                       "cable plugged in. %2 The unit may also be on another port: pick it in "
                       "\"Serial Port:\".")
            .arg(describePort(port.port, port.device), otherModels(m_model));
    tell(SilentTopic, text, NoticePane::richText(text) + findLink());
}

void PortAdvice::follow(const QString &target)
{
    if (target == FindTarget)
        emit findUnitRequested();
    else if (target.startsWith(PortTarget))
        emit portChosen(target.mid(PortTarget.size()).toInt());
}

void PortAdvice::tell(const QString &topic, const QString &plain, const QString &html)
{
    if (m_diagnostic)
        m_diagnostic(plain);
    m_noticePane.putRich(topic, html);
}

} // namespace qm
