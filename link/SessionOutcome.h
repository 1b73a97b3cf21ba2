#pragma once

#include "link/SetupSession.h"

#include <QString>
#include <QStringList>

namespace qm {

// How a setup session ended, worded once for the panel and qmctl alike: each is a clause in
// lower case without a closing stop, which the program frames as its other messages are and
// follows with what it means there (what the panel now shows, what is not known).

// "the line failed (why); channels 1 and 2 had answered; channels 3 to 12 were not finished",
// with `why` the port's own account where it has one; empty while the line held.
QString lineFailure(const SetupSession &session, const QString &why = {});

// "no answer from channels 3 and 4 after the settings were sent"; empty when every channel
// sent its settings answered.
QString silenceAfterSending(const SetupSession &session);

// "channel 7 HorizPos: file 99, unit 36: did not take", one per field.
QStringList notTaken(const SetupSession &session);

} // namespace qm
