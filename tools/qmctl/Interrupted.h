#pragma once

#include "link/SetupSession.h"
#include "process/Interruption.h"
#include "tools/qmctl/CommandLine.h"

#include <QList>

namespace qm {

// A signal ends the run where it stands; whoever sent it learns what the unit holds now: for a
// write, which of `channels` were written, read back, left alone or not reached.
void sayWhatWasDoneOnSignal(const Interruption &interruption, const SetupSession &session,
                            const CommandLine &line, const QList<int> &channels);

} // namespace qm
