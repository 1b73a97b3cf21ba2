#include "protocol/ChannelList.h"

#include "model/Field.h"

#include <QStringList>

#include <algorithm>
#include <bitset>

namespace qm {

namespace {

std::optional<int> channelNumber(const QString &text)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    // toInt() takes a sign and blanks; a channel number is digits only.
    const bool digitsOnly = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
        return c >= u'0' && c <= u'9';
    });
    if (!ok || !digitsOnly || number < 1 || number > ChannelCount)
        return std::nullopt;
    return number;
}

} // namespace

std::optional<QList<int>> parseChannelList(const QString &text)
{
    std::bitset<ChannelCount> chosen;
    for (const QString &item : text.split(u',')) {
        const QStringList ends = item.split(u'-');
        if (ends.size() > 2)
            return std::nullopt;
        const std::optional<int> first = channelNumber(ends.front());
        const std::optional<int> last = channelNumber(ends.back());
        if (!first || !last || *first > *last)
            return std::nullopt;
        for (int number = *first; number <= *last; ++number)
            chosen.set(static_cast<std::size_t>(number - 1));
    }
    QList<int> indices;
    for (int index = 0; index < ChannelCount; ++index) {
        if (chosen.test(static_cast<std::size_t>(index)))
            indices.append(index);
    }
    return indices;
}

// Channels in a run of at least this many are named by its first and last.
constexpr qsizetype ShortestRange = 3;

QString channelsPhrase(const QList<int> &indices)
{
    QStringList parts;
    for (qsizetype start = 0; start < indices.size();) {
        qsizetype end = start + 1;
        while (end < indices.size() && indices[end] == indices[end - 1] + 1)
            ++end;
        if (end - start >= ShortestRange) {
            parts << QStringLiteral("%1 to %2").arg(indices[start] + 1).arg(indices[end - 1] + 1);
        } else {
            for (qsizetype i = start; i < end; ++i)
                parts << QString::number(indices[i] + 1);
        }
        start = end;
    }
    return agreeing(indices, "channel ", "channels ") + inWords(parts);
}

QString inWords(const QStringList &items)
{
    if (items.size() < 2)
        return items.join(QString());
    return items.first(items.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           items.last();
}

QString agreeing(const QList<int> &indices, const char *one, const char *many)
{
    return QLatin1String(indices.size() == 1 ? one : many);
}

} // namespace qm
