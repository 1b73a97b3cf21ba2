#pragma once

#include <QList>
#include <QString>

#include <optional>

namespace qm {

// Channel lists as the operator writes and reads them, channels numbered 1 to 12.

// The channels a LIST like "1,3-5" names, as indices 0..11 in ascending order without
// repeats; nothing when the text is not such a list of channels 1 to 12.
std::optional<QList<int>> parseChannelList(const QString &text);

// Channel indices as the operator numbers them: "3, 4, 12".
QString channelNumbers(const QList<int> &indices);

} // namespace qm
