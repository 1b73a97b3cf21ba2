#include "process/UntrustedFile.h"

namespace qm {

QString sizeProblem(qint64 size, qint64 maxBytes)
{
    return QStringLiteral("is %1 bytes long; a file over %2 bytes is not read")
        .arg(size)
        .arg(maxBytes);
}

} // namespace qm
