#include "link/LinkTrace.h"

#include <algorithm>

namespace qm {

Q_LOGGING_CATEGORY(qmLinkFrames, "qm.link.frames", QtWarningMsg)
Q_LOGGING_CATEGORY(qmLinkBytes, "qm.link.bytes", QtWarningMsg)
Q_LOGGING_CATEGORY(qmLinkPort, "qm.link.port", QtWarningMsg)
Q_LOGGING_CATEGORY(qmLinkWait, "qm.link.wait", QtWarningMsg)

namespace {

bool printable(char byte)
{
    return byte >= 0x20 && byte < 0x7f;
}

} // namespace

QString traceBytes(const QByteArray &bytes)
{
    QString text = QString::fromLatin1(bytes.toHex(' ').toUpper());
    if (std::none_of(bytes.begin(), bytes.end(), printable))
        return text;
    QByteArray shown = bytes;
    std::replace_if(
        shown.begin(), shown.end(), [](char byte) { return !printable(byte); }, '.');
    return text + QStringLiteral("  |") + QString::fromLatin1(shown) + u'|';
}

} // namespace qm
