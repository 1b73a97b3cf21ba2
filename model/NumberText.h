#pragma once

#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace qm {

// The one rule by which the panels read a number from text: blanks, tabs and line feeds are
// skipped anywhere; then an optional sign, digits with at most one decimal point and an
// optional E or D exponent are read, up to the first other character. "&H" and "&O" start a
// hexadecimal or octal integer. A text with no number at its start reads 0; a number too large
// for a double reads as an infinity of its sign.
double readNumber(QStringView text);

// The number at the start of the text by the same rule, or nothing when the text has none
// (so a stored value that is no number can be told from a stored 0).
std::optional<double> parseLeadingNumber(QStringView text);

// Nearest integer, halves to the even neighbour (12.5 -> 12, 13.5 -> 14).
double roundHalfEven(double value);

// The leading number rounded halves to even, when there is one and it fits 16 bits signed.
std::optional<qint16> readInt16(QStringView text);

} // namespace qm
