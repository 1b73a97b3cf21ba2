#include "protocol/SetupChecks.h"

#include "protocol/QuotedText.h"
#include "protocol/RoundTrip.h"

#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace qm::setupcheck {

namespace {

// A longer list would hide the file's name and the box's button from a small screen; the
// first ones show what is wrong, and the operator can come back for the rest.
constexpr qsizetype MostFaultsNamed = 10;

QString described(const Fault &fault)
{
    return fault.where.isEmpty() ? fault.what : fault.where + QStringLiteral(": ") + fault.what;
}

} // namespace

bool Faults::add(const Checked &fault)
{
    if (fault)
        m_faults.append(*fault);
    return fault.has_value();
}

SetupReadResult refused(const QString &fileName, const Fault &fault)
{
    return {std::nullopt, fileName + QStringLiteral(": ") + described(fault)};
}

SetupReadResult refused(const QString &fileName, const Faults &faults)
{
    if (faults.size() == 1)
        return refused(fileName, faults.list().first());
    QString text = QStringLiteral("%1: %2 faults:").arg(fileName).arg(faults.size());
    for (const Fault &fault : faults.list().first(std::min(faults.size(), MostFaultsNamed)))
        text += u'\n' + described(fault);
    if (faults.size() > MostFaultsNamed)
        text += QStringLiteral("\nand %1 more").arg(faults.size() - MostFaultsNamed);
    return {std::nullopt, text};
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
