#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace qm {

// The channels a LIST like "1,3-5" names, as indices 0..11 in ascending order without
// repeats; nothing when the text is not such a list of channels 1 to 12.
std::optional<QList<int>> parseChannelList(const QString &text);

} // namespace qm
