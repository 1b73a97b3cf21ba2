#include "protocol/SetupChecks.h"

#include "protocol/QuotedText.h"
#include "protocol/RoundTrip.h"

#include <QStringDecoder>

#include <cmath>

namespace qm::setupcheck {

SetupReadResult refused(const QString &fileName, const Fault &fault)
{
    const QString where = fault.where.isEmpty() ? QString() : fault.where + QStringLiteral(": ");
    return {std::nullopt, fileName + QStringLiteral(": ") + where + fault.what};
}

Checked checkRange(const UnitModel &model, Field field, double value, const QString &where,
                   const QString &shown)
{
    if (value != std::floor(value))
        return Fault{where, shown + QStringLiteral(" is not a whole number")};
    const int maximum = replyMask(model, field);
    if (value < 0 || value > maximum)
        return Fault{where,
                     QStringLiteral("%1 is out of its range 0 to %2").arg(shown).arg(maximum)};
    return std::nullopt;
}

Checked checkText(const QString &text, const QString &where)
{
    if (const QString problem = textProblem(text); !problem.isEmpty())
        return Fault{where, quotedText(text) + QStringLiteral(": ") + problem};
    return std::nullopt;
}

Checked checkReplyBytes(const UnitModel &model, const ChannelSettings &record,
                        const std::vector<Field> &fields, const QString &where)
{
    if (const std::optional<SettingProblem> clash = markerClash(model, record, fields, 0))
        return Fault{where + QStringLiteral(", ") + clash->setting,
                     clash->value + QStringLiteral(": ") + clash->reason};
    return std::nullopt;
}

int firstLineNotUtf8(const QByteArray &contents)
{
    const QList<QByteArray> lines = contents.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString decoded = decoder(lines[i]);
        if (decoder.hasError())
            return static_cast<int>(i) + 1;
    }
    return 0;
}

} // namespace qm::setupcheck
