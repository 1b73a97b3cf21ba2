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

QString channelNumbers(const QList<int> &indices)
{
    QStringList numbers;
    for (int index : indices)
        numbers << QString::number(index + 1);
    return numbers.join(QStringLiteral(", "));
}

} // namespace qm
