#pragma once

#include "protocol/SetupFile.h"
#include "tools/qmctl/CommandLine.h"

#include <QList>

#include <optional>

namespace qm {

// The file a write or diff works from, and the channels a write sends.
struct SetupInput
{
    std::optional<Setup> setup; // none for a read
    QList<int> channels;
};

// The whole file is checked before the port is even opened: nothing when it cannot be read, or
// a write's channels are not all in it or cannot be restored, once the reason is printed.
std::optional<SetupInput> readSetupInput(const CommandLine &line);

} // namespace qm
