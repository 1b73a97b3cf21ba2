#pragma once

#include <QtGlobal>

namespace qm {

// The multi-channel update keeps its two choices as 32-bit masks; the preferences hold them
// as numbers of any size. These read and build their bits.

// A stored number rounded to the nearest integer (halves to even) as a 32-bit pattern. A value
// that is no number, infinite or beyond 32 bits (a hand-edited preferences file) chooses
// nothing.
quint32 selectionBits(double mask);

constexpr bool isBitSet(quint32 bits, int bit)
{
    return (bits >> bit) & 1u;
}

// 2^bit, as the masks add it up.
constexpr quint32 bitValue(int bit)
{
    return 1u << bit;
}

} // namespace qm
