#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace qm {

// "Use a Device Server...": asks for a serial device server's address and the port number
// that is to stand for it, and takes no address that cannot be read, saying why beneath it.
class DeviceServerDialog : public QDialog
{
    Q_OBJECT
public:
    // Opens with the address and port number given (an address may be empty); baudRate is
    // the line the unit needs, which a raw TCP server must be set to.
    DeviceServerDialog(const QString &address, int port, qint32 baudRate,
                       QWidget *parent = nullptr);

    // The address as the preferences keep it ("rfc2217://10.1.2.3:4001"); empty while what is
    // written cannot be read.
    QString address() const;
    int portNumber() const;

private:
    void check();

    QLineEdit *m_address;
    QLabel *m_problem;
    QComboBox *m_port;
    QPushButton *m_ok;
};

} // namespace qm
