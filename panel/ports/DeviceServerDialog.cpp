#include "panel/ports/DeviceServerDialog.h"

#include "link/NetworkAddress.h"
#include "link/PortManager.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm {

namespace {

const QString AddressForms = QStringLiteral("rfc2217://HOST:PORT or tcp://HOST:PORT");

QLabel *wrappedLabel(const QString &text)
{
    auto *label = new QLabel(text);
    label->setWordWrap(true);
    return label;
}

} // namespace

DeviceServerDialog::DeviceServerDialog(const QString &address, int port, qint32 baudRate,
                                       QWidget *parent)
    : QDialog(parent), m_address(new QLineEdit(address)), m_problem(wrappedLabel({})),
      m_port(new QComboBox), m_ok(nullptr)
{
    setObjectName(QStringLiteral("deviceServerDialog"));
    setWindowTitle(QStringLiteral("Use a Device Server"));
    m_address->setObjectName(QStringLiteral("txtServerAddress"));
    m_address->setPlaceholderText(AddressForms);
    m_address->setAccessibleName(QStringLiteral("Device server address"));
    m_address->setMinimumWidth(m_address->fontMetrics().horizontalAdvance(AddressForms) * 5 / 4);
    m_problem->setObjectName(QStringLiteral("lblAddressProblem"));
    m_port->setObjectName(QStringLiteral("cmbServerPort"));
    m_port->setAccessibleName(QStringLiteral("Port number"));
    for (int number = PortManager::FirstPort; number <= PortManager::LastPort; ++number)
        m_port->addItem(QStringLiteral("COM%1").arg(number), number);
    m_port->setCurrentIndex(m_port->findData(port));

    auto *fields = new QFormLayout;
    auto *addressLabel = new QLabel(QStringLiteral("&Address:"));
    addressLabel->setBuddy(m_address);
    fields->addRow(addressLabel, m_address);
    fields->addRow(QString(), m_problem);
    auto *portLabel = new QLabel(QStringLiteral("&Port number:"));
    portLabel->setBuddy(m_port);
    fields->addRow(portLabel, m_port);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(wrappedLabel(
        QStringLiteral("Reach the unit through a serial device server on the network.")));
    layout->addLayout(fields);
    layout->addWidget(wrappedLabel(
        QStringLiteral("With rfc2217:// this panel sets the line to %1 baud, 8N1 itself. With "
                       "tcp:// the server's own configuration sets the line: set it to %1 "
                       "baud, 8N1 there.")
            .arg(baudRate)));
    layout->addWidget(buttons);

    connect(m_address, &QLineEdit::textChanged, this, &DeviceServerDialog::check);
    check();
}

QString DeviceServerDialog::address() const
{
    const AddressReading reading = readNetworkAddress(m_address->text());
    return reading.address ? reading.address->text() : QString();
}

int DeviceServerDialog::portNumber() const
{
    return m_port->currentData().toInt();
}

// Nothing written yet is no problem to point out; the placeholder shows what to write.
void DeviceServerDialog::check()
{
    const QString written = m_address->text().trimmed();
    const QString problem = written.isEmpty() ? QString() : readNetworkAddress(written).problem;
    m_problem->setText(problem.isEmpty() ? QString()
                                         : QStringLiteral("Not usable: %1.").arg(problem));
    m_problem->setVisible(!problem.isEmpty());
    // A screen reader says the description with the field, where the label beneath is missed.
    m_address->setAccessibleDescription(problem.isEmpty() ? AddressForms : problem);
    m_ok->setEnabled(!written.isEmpty() && problem.isEmpty());
}

} // namespace qm
