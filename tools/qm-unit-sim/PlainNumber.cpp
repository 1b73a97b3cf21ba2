#include "tools/qm-unit-sim/PlainNumber.h"

#include <QString>

#include <algorithm>

namespace qm::sim {

std::optional<int> readPlainNumber(QStringView text)
{
    const bool digitsOnly =
        !text.isEmpty() && text.size() <= 9 &&
        std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!digitsOnly)
        return std::nullopt;
    return text.toInt();
}

} // namespace qm::sim
