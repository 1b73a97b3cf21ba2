#pragma once

#include "link/PortWords.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

namespace qm {

class NoticePane;
struct UnitModel;

// What the window says about the ports: those that cannot be used, one sentence per cure; that
// the port the panel is set to use is not there, offering the ports that are; that no channel
// answered on the port in use, and why that may be. The last two go to standard error as well
// (each refusal has its own line there already). Its links pick a port as "Serial Port:" does,
// or ask for the unit to be looked for.
class PortAdvice : public QObject
{
    Q_OBJECT
public:
    using Diagnostic = std::function<void(const QString &line)>;

    PortAdvice(NoticePane &notice, const UnitModel &model, Diagnostic diagnostic,
               QObject *parent = nullptr);

    // When not one port can be used.
    static QString noPortText();

    // A new look at the ports begins: a port refused before is told again only if it still
    // refuses.
    void beginLook();
    void noteRefusal(const PortRefusal &refusal);
    // The port the panel is set to use is not among the usable ones, which are offered.
    // present: its device is there (and refused, as told already).
    void tellStoredPortMissing(const NamedPort &stored, bool present,
                               const QList<NamedPort> &usable);
    // A poll on an open port found no channel.
    void tellSilentUnit(const NamedPort &port);

signals:
    void portChosen(int port);
    void findUnitRequested();

private:
    void follow(const QString &target);
    void tell(const QString &topic, const QString &plain, const QString &html);

    NoticePane &m_noticePane;
    const UnitModel &m_model;
    Diagnostic m_diagnostic;
    QList<PortRefusal> m_refusals;
};

} // namespace qm
