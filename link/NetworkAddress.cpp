#include "link/NetworkAddress.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace qm {

namespace {

constexpr auto SchemeMark = QLatin1StringView("://");

struct SchemeName
{
    QLatin1StringView name;
    NetworkAddress::Scheme scheme;
};

constexpr SchemeName Schemes[] = {
    {QLatin1StringView("rfc2217"), NetworkAddress::Scheme::Rfc2217},
    {QLatin1StringView("tcp"), NetworkAddress::Scheme::RawTcp},
};

std::optional<NetworkAddress::Scheme> schemeNamed(QStringView name)
{
    for (const SchemeName &known : Schemes) {
        if (name.compare(known.name, Qt::CaseInsensitive) == 0)
            return known.scheme;
    }
    return std::nullopt;
}

QLatin1StringView nameOf(NetworkAddress::Scheme scheme)
{
    for (const SchemeName &known : Schemes) {
        if (known.scheme == scheme)
            return known.name;
    }
    return {};
}

AddressReading problem(const QString &why)
{
    return {std::nullopt, why};
}

// A name as DNS allows it (letters, digits, hyphens and dots), or an IPv4 address, which has
// the same letters.
bool isHostName(const QString &host)
{
    static const QRegularExpression name(
        QStringLiteral("^[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?"
                       "(?:\\.[A-Za-z0-9](?:[A-Za-z0-9-]{0,61}[A-Za-z0-9])?)*\\.?$"));
    return host.size() <= 253 && name.match(host).hasMatch();
}

} // namespace

QString NetworkAddress::text() const
{
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    return QStringLiteral("%1://%2:%3").arg(nameOf(scheme)).arg(shownHost).arg(port);
}

bool isNetworkAddress(const QString &text)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(text.trimmed()).hasMatch();
}

AddressReading readNetworkAddress(const QString &text)
{
    const QString trimmed = text.trimmed();
    const qsizetype mark = trimmed.indexOf(SchemeMark);
    if (mark <= 0)
        return problem(
            QStringLiteral("not an address like rfc2217://HOST:PORT or tcp://HOST:PORT"));
    const std::optional<NetworkAddress::Scheme> scheme =
        schemeNamed(QStringView(trimmed).first(mark));
    if (!scheme)
        return problem(
            QStringLiteral("%1:// is not rfc2217:// or tcp://").arg(trimmed.first(mark)));
    const QString rest = trimmed.sliced(mark + SchemeMark.size());
    if (rest.contains(u'/') || rest.contains(u'@') || rest.contains(u'?'))
        return problem(QStringLiteral("only HOST:PORT may follow %1").arg(trimmed.first(mark + 3)));

    QString host;
    QString portText;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return problem(QStringLiteral("the IPv6 address has no closing ]"));
        host = rest.sliced(1, close - 1);
        const QString after = rest.sliced(close + 1);
        if (!after.startsWith(u':'))
            return problem(QStringLiteral("no port after the host"));
        portText = after.sliced(1);
        if (QHostAddress(host).protocol() != QAbstractSocket::IPv6Protocol)
            return problem(QStringLiteral("[%1] is not an IPv6 address").arg(host));
    } else {
        const qsizetype colon = rest.lastIndexOf(u':');
        if (colon < 0)
            return problem(QStringLiteral("no port after the host"));
        host = rest.first(colon);
        portText = rest.sliced(colon + 1);
        if (host.contains(u':'))
            return problem(
                QStringLiteral("an IPv6 address is written in brackets: [%1]").arg(host));
        if (!host.isEmpty() && !isHostName(host))
            return problem(QStringLiteral("%1 is not a host name or address").arg(host));
    }
    if (host.isEmpty())
        return problem(QStringLiteral("the host is empty"));
    if (portText.isEmpty())
        return problem(QStringLiteral("no port after the host"));
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    const int port = digits.match(portText).hasMatch() ? portText.toInt() : -1;
    if (port < 1 || port > 65535)
        return problem(QStringLiteral("the port %1 is not 1 to 65535").arg(portText));
    return {NetworkAddress{*scheme, host, static_cast<quint16>(port)}, {}};
}

} // namespace qm
