#pragma once

#include "link/AdapterInfo.h"
#include "link/ChannelQuery.h"
#include "link/PortManager.h"
#include "link/PortReader.h"
#include "link/SerialPort.h"
#include "model/ChannelTable.h"
#include "model/UnitModel.h"
#include "protocol/ReplyReceiver.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace qm {

// Tells an operator who does not know which port holds which unit: asks each of COM1..COM16
// that opens for channel 1's settings at the first model's line speed and, when nothing answers
// there, at the other model's; a unit answers only at its own speed. Only the operator starts
// it. One port at a time is open, only while it is asked, and closed again; a device another
// program holds refuses the open and is only named. The caller's own port is asked too when the
// caller lends it (see HeldPortLender), and otherwise left alone.
// Each port is asked as ChannelQuery does, so a late unit is found as surely as a quick one. A
// port mapped to a device server is connected to (one connection at a time) and asked once it is
// up; a server that refuses or cannot be reached is named as a refusing device is.
// The search runs on the query's timer and the port's signals, never in a wait of its own.
class UnitFinder : public QObject
{
    Q_OBJECT
public:
    // What one port that has a device gave; ports without a device are left out.
    struct Finding
    {
        enum class Result
        {
            Answered, // a unit of `model` answered at that model's speed
            Silent,   // it opened, and no reply came at any speed
            Refused,  // the device is there but would not open; `refusal` says why
            Held,     // the caller's own port, not lent, so not asked
        };

        int port = 0;
        QString device;
        AdapterInfo adapter;
        Result result = Result::Silent;
        const UnitModel *model = nullptr;
        // Silent, yet bytes came: another kind of device, or a unit at a speed of its own.
        bool heardBytes = false;
        bool ownPort = false; // the caller's port, asked while lent

        PortManager::Refusal refusal{};

        // "COM5 (/dev/ttyUSB0, FTDI FT232R, A9XYZ123)": the port, its device and what the
        // device says of itself.
        QString portLabel() const;
        // "COM5 (...): a QM-410A answers", for a port that answered.
        QString answerText() const;
    };

    // Ports are asked through `port`, which no one else may use meanwhile and which outlives
    // the finder; describeAdapter says what a device says of itself.
    UnitFinder(SerialPort &port, std::function<AdapterInfo(const QString &)> describeAdapter,
               QObject *parent = nullptr);
    ~UnitFinder() override;

    // How the caller lends its own port: borrow(port) lets go of it (nothing written to it, the
    // port closed) and says whether it could; giveBack(port) follows once the search has closed
    // it again, also when the search is cancelled.
    struct HeldPortLender
    {
        std::function<bool(int port)> borrow;
        std::function<void(int port)> giveBack;
    };
    void setHeldPortLender(HeldPortLender lender) { m_lender = std::move(lender); }

    // Asks every port (heldPort, 0 for none, only if the lender lends it), trying first's speed
    // before the others'. A search that runs starts over.
    void start(const UnitModel &first, int heldPort = 0);
    // Ends the search now and closes the port; no finished() follows.
    void cancel();
    bool isRunning() const { return m_running; }
    // In port order.
    const QList<Finding> &findings() const { return m_findings; }
    // The models in the order their speeds are tried.
    const std::vector<const UnitModel *> &models() const { return m_models; }
    // "9600 baud (QM-410A) or 4800 baud (QM-520A)", as they are tried.
    QString speedsTried() const;

signals:
    // Asking this port at this model's speed.
    void asking(int port, const UnitModel &model);
    void finished();

private:
    void later(void (UnitFinder::*step)());
    void nextPort();
    void ask();
    void askConnected();
    void onPortFailed();
    void onQueryFinished();
    void onSilence();
    void endQuery();
    void note(Finding::Result result, const UnitModel *model = nullptr);
    void giveBackHeldPort();

    SerialPort &m_port;
    std::function<AdapterInfo(const QString &)> m_describeAdapter;
    PortManager m_opener;
    std::optional<PortManager::Refusal> m_refusal;
    std::vector<const UnitModel *> m_models;
    ChannelTable m_scratch;
    std::unique_ptr<ReplyReceiver> m_receiver;
    std::unique_ptr<CommandSender> m_sender;
    PortReader m_reader;
    QPointer<ChannelQuery> m_query; // the question out on the port now
    QList<Finding> m_findings;
    HeldPortLender m_lender;
    int m_heldPort = 0;
    bool m_borrowed = false; // the held port is lent to the search now
    int m_current = 0;
    std::size_t m_modelIndex = 0;
    bool m_connecting = false; // the port opened and is still reaching its device
    bool m_running = false;
    quint64 m_run = 0;
};

} // namespace qm
