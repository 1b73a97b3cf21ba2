#pragma once

#include <QString>

#include <optional>

namespace qm {

// A serial port that a device server puts on the network, as a port map or --port names it:
// "rfc2217://HOST:PORT" (Telnet with the COM-Port-Control option: the program sets the line
// itself) or "tcp://HOST:PORT" (a plain byte pipe: the server's own configuration sets the line).
// HOST is a name, an IPv4 address or a bracketed IPv6 address.
struct NetworkAddress
{
    enum class Scheme
    {
        Rfc2217,
        RawTcp,
    };

    Scheme scheme = Scheme::Rfc2217;
    QString host; // without the brackets of an IPv6 address
    quint16 port = 0;

    // The address as it is written, brackets included: "rfc2217://[::1]:4001".
    QString text() const;
    bool setsLine() const { return scheme == Scheme::Rfc2217; }
    bool operator==(const NetworkAddress &) const = default;
};

// What reading an address gave: the address, or why it is none.
struct AddressReading
{
    std::optional<NetworkAddress> address;
    QString problem; // "no port after the host", ...; empty when read
};

// Whether the text is written as a network address at all ("scheme://..."), well or badly,
// rather than as a device path.
bool isNetworkAddress(const QString &text);
AddressReading readNetworkAddress(const QString &text);

} // namespace qm
