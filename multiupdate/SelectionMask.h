#pragma once

#include <QtGlobal>

namespace qm {

// The multi-channel update keeps its two choices as whole numbers in doubles, the way the
// preferences hold them. These read and build their bits.

// The mask rounded to the nearest integer (halves to even) as a 32-bit pattern. A value that
// is no number, infinite or beyond 32 bits (a hand-edited preferences file) chooses nothing.
quint32 selectionBits(double mask);

constexpr bool isBitSet(quint32 bits, int bit)
{
    return (bits >> bit) & 1u;
}

// 2^bit, as the masks add it up.
constexpr double bitValue(int bit)
{
    return static_cast<double>(1u << bit);
}

} // namespace qm
