#include "tools/qm-unit-sim/CommandFrame.h"

#include "tools/qm-unit-sim/UnitCharacters.h"

namespace qm::sim {

namespace {

// Quotes a text line so that one log line stays one line whatever the text holds.
QString quoted(const QString &text)
{
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        if (c == u'"' || c == u'\\')
            out += u'\\' + QString(c);
        else if (c.isPrint())
            out += c;
        else
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    }
    return out + u'"';
}

QString dataFields(const UnitWire &wire, const QByteArray &payload)
{
    QString fields;
    for (std::size_t i = 0; i < wire.dataPayload.size(); ++i)
        fields += QStringLiteral(" %1=%2")
                      .arg(QLatin1String(fieldName(wire.dataPayload[i])))
                      .arg(static_cast<quint8>(payload[static_cast<qsizetype>(i)]));
    return fields;
}

} // namespace

int payloadLength(const UnitWire &wire, quint8 command)
{
    switch (static_cast<Code>(command)) {
    case Code::Data:
        return static_cast<int>(wire.dataPayload.size());
    case Code::BlankOn:
    case Code::BlankOff:
    case Code::Request:
        return 0;
    case Code::Line1:
    case Code::Line2:
    case Code::Line3:
        return TextBytes;
    case Code::Font:
        return wire.hasTimeFont ? 1 : -1;
    }
    return -1;
}

QString lineText(const QByteArray &payload)
{
    const qsizetype fill = payload.indexOf(static_cast<char>(TextFill));
    return unitText(fill < 0 ? payload : payload.first(fill));
}

QString describeFrame(const UnitWire &wire, const CommandFrame &frame)
{
    const QString channel = QStringLiteral(" ch=%1").arg(frame.channel);
    switch (frame.command) {
    case Code::Data:
        return QStringLiteral("data") + channel + dataFields(wire, frame.payload);
    case Code::BlankOn:
        return QStringLiteral("blank-on") + channel;
    case Code::BlankOff:
        return QStringLiteral("blank-off") + channel;
    case Code::Line1:
    case Code::Line2:
    case Code::Line3:
        return QStringLiteral("text%1").arg(static_cast<int>(frame.command) - 4) + channel + u' ' +
               quoted(lineText(frame.payload));
    case Code::Request:
        return QStringLiteral("request") + channel;
    case Code::Font:
        return QStringLiteral("timefont") + channel +
               QStringLiteral(" TimeFont=%1").arg(static_cast<quint8>(frame.payload[0]));
    }
    return QStringLiteral("unknown");
}

} // namespace qm::sim
