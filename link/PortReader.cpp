#include "link/PortReader.h"

namespace qm {

PortReader::PortReader(SerialPort &port, ReplyReceiver *receiver, QObject *parent)
    : QObject(parent), m_port(port), m_receiver(receiver)
{
    connect(&m_port, &SerialPort::readyRead, this, &PortReader::takeInput);
}

// A closed port has nothing waiting; asking it anyway is harmless.
void PortReader::takeInput()
{
    const QByteArray bytes = m_port.readAll();
    if (bytes.isEmpty())
        return;
    m_bytesHeard += bytes.size();
    if (m_receiver)
        m_receiver->feed(bytes);
}

} // namespace qm
