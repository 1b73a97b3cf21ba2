#pragma once

#include <QStringView>

#include <optional>

namespace qm::sim {

// A whole decimal number written with digits only (at most nine), without sign, blanks or
// anything else; otherwise nothing. For input that must be refused when mistyped.
std::optional<int> readPlainNumber(QStringView text);

} // namespace qm::sim
