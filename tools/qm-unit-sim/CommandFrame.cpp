#include "CommandFrame.h"

#include "ReplyReceiver.h"

#include <span>

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

QString payloadText(const QByteArray &payload)
{
    const auto *bytes = reinterpret_cast<const quint8 *>(payload.constData());
    return replyText(std::span<const quint8, TextPayloadLength>(bytes, TextPayloadLength));
}

QString dataFields(const UnitModel &model, const QByteArray &payload)
{
    QString fields;
    for (std::size_t i = 0; i < model.dataPayload.size(); ++i)
        fields += QStringLiteral(" %1=%2")
                      .arg(QLatin1String(fieldName(model.dataPayload[i])))
                      .arg(static_cast<quint8>(payload[static_cast<qsizetype>(i)]));
    return fields;
}

} // namespace

int payloadLength(const UnitModel &model, quint8 command)
{
    switch (static_cast<Command>(command)) {
    case Command::ChannelData:
        return static_cast<int>(model.dataPayload.size());
    case Command::BlankOn:
    case Command::BlankOff:
    case Command::SettingsRequest:
        return 0;
    case Command::Text1:
    case Command::Text2:
    case Command::Text3:
        return TextPayloadLength;
    case Command::TimeFont:
        return model.hasTimeFont ? 1 : -1;
    }
    return -1;
}

QString describeFrame(const UnitModel &model, const CommandFrame &frame)
{
    const QString channel = QStringLiteral(" ch=%1").arg(frame.channel);
    switch (frame.command) {
    case Command::ChannelData:
        return QStringLiteral("data") + channel + dataFields(model, frame.payload);
    case Command::BlankOn:
        return QStringLiteral("blank-on") + channel;
    case Command::BlankOff:
        return QStringLiteral("blank-off") + channel;
    case Command::Text1:
    case Command::Text2:
    case Command::Text3:
        return QStringLiteral("text%1").arg(static_cast<int>(frame.command) - 4) + channel + u' ' +
               quoted(payloadText(frame.payload));
    case Command::SettingsRequest:
        return QStringLiteral("request") + channel;
    case Command::TimeFont:
        return QStringLiteral("timefont") + channel +
               QStringLiteral(" TimeFont=%1").arg(static_cast<quint8>(frame.payload[0]));
    }
    return QStringLiteral("unknown");
}

} // namespace qm::sim
