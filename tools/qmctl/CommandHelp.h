#pragma once

#include <QString>

namespace qm {

// The usage qmctl prints: the whole (--help, qmctl help) or one command's part with what is said
// of all commands (qmctl help COMMAND, qmctl COMMAND --help).
QString programDescription();
// Empty for a name that is no command.
QString commandHelp(const QString &command);

} // namespace qm
