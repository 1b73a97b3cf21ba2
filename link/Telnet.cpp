#include "link/Telnet.h"

#include <QStringList>
#include <QtEndian>

namespace qm::telnet {

QByteArray escaped(QByteArrayView data)
{
    QByteArray out;
    out.reserve(data.size());
    for (const char byte : data) {
        out.append(byte);
        if (byte == Iac)
            out.append(Iac);
    }
    return out;
}

Decoder::Decoded Decoder::feed(QByteArrayView bytes)
{
    Decoded out;
    for (const char byte : bytes) {
        const auto value = static_cast<quint8>(byte);
        switch (m_state) {
        case State::Data:
            if (byte == Iac)
                m_state = State::Command;
            else
                out.data.append(byte);
            break;
        case State::Command:
            takeCommand(byte, out);
            break;
        case State::Option:
            out.negotiations.append({m_verb, value});
            m_state = State::Data;
            break;
        case State::Sub:
            if (byte == Iac)
                m_state = State::SubIac;
            else if (m_sub.size() < MaxSubnegotiation + 1)
                m_sub.append(byte);
            break;
        case State::SubIac:
            if (byte == Iac) {
                if (m_sub.size() < MaxSubnegotiation + 1)
                    m_sub.append(byte);
                m_state = State::Sub;
            } else {
                // SE ends it; any other command after IAC ends it as well, as a broken one,
                // and is taken as the command it is, so that none of its bytes pass for data.
                if (value == Se && !m_sub.isEmpty() && m_sub.size() <= MaxSubnegotiation)
                    out.subnegotiations.append(
                        {static_cast<quint8>(m_sub.front()), m_sub.sliced(1)});
                m_sub.clear();
                takeCommand(byte, out);
            }
            break;
        }
    }
    return out;
}

// The byte after IAC: a command, or a second IAC standing for the data byte 0xFF.
void Decoder::takeCommand(char byte, Decoded &out)
{
    const auto value = static_cast<quint8>(byte);
    if (byte == Iac) {
        out.data.append(byte);
        m_state = State::Data;
    } else if (value >= Will && value <= Dont) {
        m_verb = static_cast<Command>(value);
        m_state = State::Option;
    } else if (value == Sb) {
        m_sub.clear();
        m_state = State::Sub;
    } else {
        m_state = State::Data; // SE, NOP, go-ahead and the rest carry nothing for us
    }
}

namespace {

QByteArray command(Command verb, quint8 option)
{
    const char bytes[] = {Iac, static_cast<char>(verb), static_cast<char>(option)};
    return QByteArray(bytes, sizeof bytes);
}

} // namespace

bool OptionAgreement::wanted(quint8 option)
{
    return option == Binary || option == SuppressGoAhead || option == ComPort;
}

QByteArray OptionAgreement::opening()
{
    m_weDo = {ComPort, Binary, SuppressGoAhead};
    m_theyDo = {Binary, SuppressGoAhead};
    return command(Will, ComPort) + command(Will, Binary) + command(Do, Binary) +
           command(Will, SuppressGoAhead) + command(Do, SuppressGoAhead);
}

// A request for a state already in force is not answered (RFC 854), which keeps both sides from
// answering each other for ever.
QByteArray OptionAgreement::answer(const Decoder::Negotiation &request)
{
    const quint8 option = request.option;
    switch (request.verb) {
    case Do:
        if (wanted(option)) {
            if (m_weDo.contains(option))
                return {};
            m_weDo.append(option);
            return command(Will, option);
        }
        if (m_refusedToDo.contains(option))
            return {};
        m_refusedToDo.append(option);
        return command(Wont, option);
    case Dont:
        if (option == ComPort)
            m_comPortRefused = true;
        if (!m_weDo.removeOne(option))
            return {};
        return command(Wont, option);
    case Will:
        if (option != ComPort && wanted(option)) {
            if (m_theyDo.contains(option))
                return {};
            m_theyDo.append(option);
            return command(Do, option);
        }
        // The COM port option is the client's to perform, never the server's.
        if (option == ComPort || m_refusedToAsk.contains(option))
            return {};
        m_refusedToAsk.append(option);
        return command(Dont, option);
    case Wont:
        if (!m_theyDo.removeOne(option))
            return {};
        return command(Dont, option);
    default:
        return {};
    }
}

} // namespace qm::telnet

namespace qm::rfc2217 {

namespace {

QByteArray subnegotiation(quint8 command, QByteArrayView value)
{
    const char start[] = {telnet::Iac, static_cast<char>(telnet::Sb),
                          static_cast<char>(telnet::ComPort), static_cast<char>(command)};
    const char end[] = {telnet::Iac, static_cast<char>(telnet::Se)};
    return QByteArray(start, sizeof start) + telnet::escaped(value) + QByteArray(end, sizeof end);
}

QByteArray byteValue(quint8 value)
{
    return QByteArray(1, static_cast<char>(value));
}

QByteArray speedValue(quint32 baudRate)
{
    QByteArray value(4, '\0');
    qToBigEndian(baudRate, value.data());
    return value;
}

} // namespace

QByteArray lineRequest(quint32 baudRate)
{
    return subnegotiation(SetBaudRate, speedValue(baudRate)) +
           subnegotiation(SetDataSize, byteValue(EightDataBits)) +
           subnegotiation(SetParity, byteValue(ParityNone)) +
           subnegotiation(SetStopSize, byteValue(OneStopBit)) +
           subnegotiation(SetControl, byteValue(NoFlowControl));
}

QByteArray speedQuery()
{
    return subnegotiation(SetBaudRate, speedValue(0));
}

void LineAnswers::note(const QByteArray &payload)
{
    if (payload.isEmpty())
        return;
    const auto command = static_cast<quint8>(payload.front());
    const QByteArray value = payload.sliced(1);
    if (command == ServerOffset + SetBaudRate) {
        if (value.size() == 4)
            baudRate = qFromBigEndian<quint32>(value.constData());
        return;
    }
    if (value.size() != 1)
        return;
    const auto byte = static_cast<quint8>(value.front());
    if (command == ServerOffset + SetDataSize)
        dataSize = byte;
    else if (command == ServerOffset + SetParity)
        parity = byte;
    else if (command == ServerOffset + SetStopSize)
        stopSize = byte;
}

QString LineAnswers::mismatch(quint32 wantedBaudRate) const
{
    QStringList differs;
    if (baudRate != wantedBaudRate)
        differs << QStringLiteral("%1 baud").arg(baudRate.value_or(0));
    if (dataSize != EightDataBits)
        differs << QStringLiteral("%1 data bits").arg(dataSize.value_or(0));
    if (parity != ParityNone)
        differs << QStringLiteral("parity code %1").arg(parity.value_or(0));
    if (stopSize != OneStopBit)
        differs << QStringLiteral("stop bit code %1").arg(stopSize.value_or(0));
    return differs.join(QStringLiteral(", "));
}

} // namespace qm::rfc2217
