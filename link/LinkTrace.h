#pragma once

#include <QByteArray>
#include <QLoggingCategory>
#include <QString>

namespace qm {

// The wire trace a support engineer switches on with QT_LOGGING_RULES="qm.link*=true" (or
// qmctl --trace): the frames a program sends, the bytes it receives, the port opening, failing
// and closing, and the waits for replies. All are off by default.
Q_DECLARE_LOGGING_CATEGORY(qmLinkFrames)
Q_DECLARE_LOGGING_CATEGORY(qmLinkBytes)
Q_DECLARE_LOGGING_CATEGORY(qmLinkPort)
Q_DECLARE_LOGGING_CATEGORY(qmLinkWait)

// The rule that turns every category of the link on.
inline constexpr const char *LinkTraceRule = "qm.link*=true";

// "08 00 FA", followed by the bytes as text ("|CAM 1|", a dot for each byte that is not
// printable) where any of them is.
QString traceBytes(const QByteArray &bytes);

} // namespace qm
