#pragma once

#include <QString>
#include <QStringView>

namespace qm {

// The text between double quotes with backslashes, quotes, control characters and other
// characters a terminal should not get raw written as escapes (\x1b, \u200e).
QString quotedText(QStringView text);

} // namespace qm
