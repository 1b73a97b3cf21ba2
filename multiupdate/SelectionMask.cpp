#include "multiupdate/SelectionMask.h"

#include "model/NumberText.h"

#include <cmath>
#include <limits>

namespace qm {

quint32 selectionBits(double mask)
{
    if (!std::isfinite(mask))
        return 0;
    const double rounded = roundHalfEven(mask);
    if (rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        return 0;
    return static_cast<quint32>(static_cast<qint32>(rounded));
}

} // namespace qm
