#include "link/UnsentFrames.h"

#include <algorithm>

namespace qm {

void UnsentFrames::confirm(qint64 count)
{
    while (count > 0 && !m_frames.isEmpty()) {
        QByteArray &front = m_frames.first();
        const qsizetype taken = std::min<qsizetype>(count, front.size());
        front.remove(0, taken);
        count -= taken;
        if (front.isEmpty())
            m_frames.removeFirst();
    }
}

qsizetype UnsentFrames::bytes() const
{
    qsizetype total = 0;
    for (const QByteArray &frame : m_frames)
        total += frame.size();
    return total;
}

} // namespace qm
