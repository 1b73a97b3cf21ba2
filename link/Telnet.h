#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <optional>

namespace qm::telnet {

// The Telnet bytes a device server speaking RFC 2217 uses (RFC 854, RFC 856, RFC 858, RFC 2217).
inline constexpr char Iac = '\xFF';
enum Command : quint8
{
    Se = 240,
    Sb = 250,
    Will = 251,
    Wont = 252,
    Do = 253,
    Dont = 254,
};
enum Option : quint8
{
    Binary = 0,
    Echo = 1,
    SuppressGoAhead = 3,
    ComPort = 44,
};

// Data as it travels: every 0xFF doubled, so that the server cannot take it for a command.
QByteArray escaped(QByteArrayView data);

// Splits what a Telnet server sends into the data stream and its commands, across pieces cut
// anywhere. Nothing of a command reaches the data; a subnegotiation longer than any the
// program expects is cut short rather than kept growing.
class Decoder
{
public:
    static constexpr qsizetype MaxSubnegotiation = 64;

    struct Negotiation
    {
        Command verb; // Will, Wont, Do or Dont
        quint8 option;
    };
    struct Subnegotiation
    {
        quint8 option;
        QByteArray payload; // unescaped, without the option byte
    };
    struct Decoded
    {
        QByteArray data;
        QList<Negotiation> negotiations;
        QList<Subnegotiation> subnegotiations;
    };

    Decoded feed(QByteArrayView bytes);

private:
    void takeCommand(char byte, Decoded &out);

    enum class State
    {
        Data,
        Command, // after IAC
        Option,  // after IAC and a verb
        Sub,     // inside SB
        SubIac,  // IAC inside SB
    };

    State m_state = State::Data;
    Command m_verb = Will;
    QByteArray m_sub;
};

// Answers the server's option requests so that both sides agree on binary data, no go-ahead
// and the COM port option, and declines everything else once, never repeating an answer that
// would start a negotiation loop.
class OptionAgreement
{
public:
    // What the program asks for at once on connecting.
    QByteArray opening();
    // The answer to one of the server's requests, possibly nothing.
    QByteArray answer(const Decoder::Negotiation &request);
    // The server has said it will not take the COM port option.
    bool comPortRefused() const { return m_comPortRefused; }

private:
    static bool wanted(quint8 option);

    QList<quint8> m_weDo;         // options we have agreed to perform
    QList<quint8> m_theyDo;       // options we have asked the server to perform
    QList<quint8> m_refusedToDo;  // options we have said we will not perform
    QList<quint8> m_refusedToAsk; // options we have asked the server not to perform
    bool m_comPortRefused = false;
};

} // namespace qm::telnet

namespace qm::rfc2217 {

// COM-Port-Control commands (RFC 2217): the client's; the server answers each with 100 more.
enum Command : quint8
{
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetControl = 5,
    ServerOffset = 100,
};
inline constexpr quint8 ParityNone = 1;
inline constexpr quint8 OneStopBit = 1;
inline constexpr quint8 NoFlowControl = 1;
inline constexpr quint8 EightDataBits = 8;

// The line the program needs: baud (0 asks the server for its speed only), 8 data bits, no
// parity, one stop bit and no flow control.
QByteArray lineRequest(quint32 baudRate);
// Asks the server for its present speed without changing it.
QByteArray speedQuery();

// What the server confirmed of the line so far.
struct LineAnswers
{
    std::optional<quint32> baudRate;
    std::optional<quint8> dataSize;
    std::optional<quint8> parity;
    std::optional<quint8> stopSize;

    // Takes in one COM port subnegotiation; other commands (line and modem state) are ignored.
    void note(const QByteArray &payload);
    bool complete() const { return baudRate && dataSize && parity && stopSize; }
    // Empty when the line is as asked; otherwise what differs ("9600 baud", "7 data bits").
    QString mismatch(quint32 baudRate) const;
};

} // namespace qm::rfc2217
