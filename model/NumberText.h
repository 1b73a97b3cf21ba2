#pragma once

#include <QStringView>
#include <QtGlobal>

#include <optional>

namespace qm {

// The one rule by which the panels read a number from text: blanks, tabs and line feeds are
// skipped anywhere; then an optional sign, digits with at most one decimal point and an
// optional E or D exponent are read, up to the first other character. "&H" and "&O" start a
// hexadecimal or octal integer. A text with no number at its start reads 0.
double readNumber(QStringView text);

// Nearest integer, halves to the even neighbour (12.5 -> 12, 13.5 -> 14).
double roundHalfEven(double value);

// readNumber, rounded halves to even, when the result fits a 16-bit signed integer.
std::optional<qint16> readInt16(QStringView text);

} // namespace qm
