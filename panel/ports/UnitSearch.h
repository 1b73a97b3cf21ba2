#pragma once

#include "link/UnitFinder.h"

#include <QObject>
#include <QPointer>
#include <QProgressDialog>

#include <functional>
#include <memory>

class QAction;
class QWidget;

namespace qm {

class Poller;

// "Find the Unit..." of a main window (its context menu and Ctrl+F): asks every other port
// which unit it holds while the window keeps working, under a progress dialog the operator may
// cancel, then shows what each port gave, with a button for each port where a unit of this
// model answered that picks it as the "Serial Port:" list does. The panel's own port is asked
// too, at both speeds, when the panel can lend it (no poll running): a unit of the other model
// on it is the commonest reason a panel hears nothing. While it is lent the panel writes nothing
// to it and its edits wait; when the panel cannot lend it, what the last poll found is shown.
class UnitSearch : public QObject
{
    Q_OBJECT
public:
    struct Panel
    {
        QWidget &window;
        const UnitModel &model;
        // What answered on the panel's own port in the last poll.
        const Poller &poller;
        // The port the panel holds now, 0 for none.
        std::function<int()> heldPort;
        // Picks a port exactly as choosing it in the "Serial Port:" list does.
        std::function<void(int port)> pick;
        // Lends the panel's own port to the search and takes it back, as UnitFinder asks.
        UnitFinder::HeldPortLender lender;
    };

    // The search asks through `port`, a port of its own at the model's line speed.
    UnitSearch(Panel panel, std::unique_ptr<SerialPort> port,
               std::function<AdapterInfo(const QString &)> describeAdapter,
               QObject *parent = nullptr);
    ~UnitSearch() override;

    // Starts a search, or starts the running one over.
    void start();
    void cancel();
    // The devices the next search asks behind each port number.
    void setPortMap(const PortMap &map) { m_port->setPortMap(map); }
    bool isRunning() const { return m_finder.isRunning(); }
    // Open while the search runs.
    QProgressDialog *progressDialog() const { return m_progress; }
    // Open once a search has ended, until closed or a new search starts.
    QDialog *resultDialog() const { return m_results; }

private:
    void showAsking(int port, const UnitModel &model);
    void showFindings();
    static QString label(const UnitFinder::Finding &finding);
    QString describe(const UnitFinder::Finding &finding) const;
    QString describeHeld(const UnitFinder::Finding &finding) const;

    Panel m_panel;
    std::unique_ptr<SerialPort> m_port;
    UnitFinder m_finder;
    QAction *m_action;
    QPointer<QProgressDialog> m_progress;
    QPointer<QDialog> m_results;
    int m_heldPort = 0; // the panel's port when the search started
};

} // namespace qm
