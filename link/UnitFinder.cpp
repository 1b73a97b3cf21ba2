#include "link/UnitFinder.h"

#include "link/PortMap.h"

#include <QStringList>

namespace qm {

// Where the device is the port's own name (on Windows), only the adapter's words follow.
QString UnitFinder::Finding::portLabel() const
{
    const QString adapterName =
        QStringList{adapter.maker, adapter.product}.join(QLatin1Char(' ')).trimmed();
    return describePort(port, device, {adapterName, adapter.serialNumber});
}

QString UnitFinder::Finding::answerText() const
{
    return portLabel() + QStringLiteral(": a %1 answers").arg(model ? model->name : QString());
}

UnitFinder::UnitFinder(SerialPort &port,
                       std::function<AdapterInfo(const QString &)> describeAdapter, QObject *parent)
    : QObject(parent), m_port(port), m_describeAdapter(std::move(describeAdapter)), m_opener(port),
      m_reader(port, nullptr)
{
    connect(&m_port, &SerialPort::failed, this, &UnitFinder::onPortFailed);
    connect(&m_port, &SerialPort::connected, this, [this] {
        if (std::exchange(m_connecting, false))
            later(&UnitFinder::askConnected);
    });
    m_opener.setRefusalHandler(
        [this](const PortManager::Refusal &refusal) { m_refusal = refusal; });
}

UnitFinder::~UnitFinder()
{
    cancel();
}

void UnitFinder::start(const UnitModel &first, int heldPort)
{
    cancel();
    m_models = unitModelsFrom(first);
    m_heldPort = heldPort;
    m_findings.clear();
    m_current = PortManager::FirstPort - 1;
    m_running = true;
    // Started from the event loop, so that a caller may connect first and no signal comes
    // from inside start().
    later(&UnitFinder::nextPort);
}

QString UnitFinder::speedsTried() const
{
    QStringList speeds;
    for (const UnitModel *model : m_models)
        speeds << QStringLiteral("%1 baud (%2)").arg(model->baudRate).arg(model->name);
    return speeds.join(QStringLiteral(" or "));
}

void UnitFinder::cancel()
{
    m_connecting = false;
    endQuery();
    m_port.close();
    giveBackHeldPort();
    m_running = false;
    ++m_run;
}

// Only once the search's own port has let go of the device.
void UnitFinder::giveBackHeldPort()
{
    if (std::exchange(m_borrowed, false))
        m_lender.giveBack(m_heldPort);
}

// A step that a reply or a start leads to runs from the event loop, never inside the port's
// own calls; a search that ended or started anew in between makes it moot.
void UnitFinder::later(void (UnitFinder::*step)())
{
    QTimer::singleShot(0, this, [this, step, run = m_run] {
        if (m_running && run == m_run)
            (this->*step)();
    });
}

void UnitFinder::nextPort()
{
    m_port.close();
    giveBackHeldPort();
    if (++m_current > PortManager::LastPort) {
        m_running = false;
        emit finished();
        return;
    }
    m_modelIndex = 0;
    m_reader.resetBytesHeard();
    m_port.setPortNumber(m_current);
    m_borrowed = m_current == m_heldPort && m_lender.borrow && m_lender.borrow(m_current);
    if (m_current == m_heldPort && !m_borrowed) {
        note(Finding::Result::Held);
        later(&UnitFinder::nextPort);
        return;
    }
    ask();
}

// Input that waited from before is cleared as the port opens, so only an answer to this
// question counts.
void UnitFinder::ask()
{
    const UnitModel &model = *m_models[m_modelIndex];
    m_port.setBaudRate(model.baudRate);
    m_refusal.reset();
    if (!m_opener.openPort(m_current)) {
        // Most of the sixteen numbers have no device and are not named; one that went
        // between two speeds had answered nothing.
        if (m_refusal)
            note(Finding::Result::Refused);
        else if (m_modelIndex > 0)
            note(Finding::Result::Silent);
        later(&UnitFinder::nextPort);
        return;
    }
    if (m_port.isConnecting()) {
        m_connecting = true;
        return;
    }
    askConnected();
}

void UnitFinder::askConnected()
{
    const UnitModel &model = *m_models[m_modelIndex];
    m_receiver = std::make_unique<ReplyReceiver>(model, m_scratch);
    m_sender = std::make_unique<CommandSender>(model, m_scratch, m_port);
    m_reader.setReceiver(m_receiver.get());
    emit asking(m_current, model);
    m_query =
        new ChannelQuery({*m_sender, *m_receiver, m_reader, ReplyWait(model.baudRate)}, 0, this);
    connect(m_query, &ChannelQuery::finished, this, &UnitFinder::onQueryFinished);
    m_query->ask(0);
}

// A port that fails while asked (an adapter pulled out) has nothing more to say; a device
// server that could not be reached is named with its reason.
void UnitFinder::onPortFailed()
{
    if (std::exchange(m_connecting, false)) {
        m_refusal = refusalOf(m_port);
        note(Finding::Result::Refused);
        m_port.close();
        later(&UnitFinder::nextPort);
        return;
    }
    if (!m_query)
        return;
    endQuery();
    m_modelIndex = m_models.size() - 1;
    later(&UnitFinder::onSilence);
}

void UnitFinder::onQueryFinished()
{
    const bool answered = m_query->outcome() == ChannelQuery::Outcome::Answered;
    endQuery();
    if (!answered) {
        onSilence();
        return;
    }
    note(Finding::Result::Answered, m_models[m_modelIndex]);
    nextPort();
}

// The query may be the one whose signal runs now: it goes once that has returned.
void UnitFinder::endQuery()
{
    m_reader.setReceiver(nullptr);
    if (!m_query)
        return;
    m_query->cancel();
    m_query->deleteLater();
    m_query = nullptr;
}

void UnitFinder::onSilence()
{
    m_port.close();
    if (++m_modelIndex < m_models.size()) {
        ask();
        return;
    }
    note(Finding::Result::Silent);
    nextPort();
}

void UnitFinder::note(Finding::Result result, const UnitModel *model)
{
    Finding finding;
    finding.port = m_current;
    finding.device = m_port.deviceName();
    finding.adapter = m_describeAdapter ? m_describeAdapter(finding.device) : AdapterInfo{};
    finding.result = result;
    finding.model = model;
    finding.heardBytes = m_reader.bytesHeard() > 0;
    finding.ownPort = m_borrowed;
    if (result == Finding::Result::Refused)
        finding.refusal = *m_refusal;
    m_findings.append(finding);
}

} // namespace qm
