#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

// Channel lists as the operator writes and reads them, channels numbered 1 to 12.

// The channels a LIST like "1,3-5" names, as indices 0..11 in ascending order without
// repeats; nothing when the text is not such a list of channels 1 to 12.
std::optional<QList<int>> parseChannelList(const QString &text);

// Channel indices as the operator numbers them, ascending: "channel 3", "channels 6 to 12",
// "channels 1, 3 and 6 to 12"; runs of three or more stand as their ends.
QString channelsPhrase(const QList<int> &indices);

// Items as a sentence lists them: "A", "A and B", "A, B and C".
QString inWords(const QStringList &items);

// The word that agrees with such a phrase: one for a single channel, else many.
QString agreeing(const QList<int> &indices, const char *one, const char *many);

} // namespace qm
