#pragma once

#include "protocol/SetupFile.h"

#include <QList>
#include <QString>

namespace qm {

// A value of a setup that is named to the operator: one that cannot make the trip to the unit
// and back unchanged, or one beyond what the panel offers.
struct SettingProblem
{
    int channel = 0; // index 0..11
    QString setting; // "Blank", "Text2"
    QString value;   // as a person reads it
    QString reason;
};

// "channel 3, Blank: 2: blanking travels only as on (1) or off (0)"
QString describeProblem(const SettingProblem &problem);

// Values of the channel that no frame can set on the unit as they stand.
QList<SettingProblem> unrestorable(const Setup &setup, int channel);
// Values beyond the panel's lists, which still travel as they are.
QList<SettingProblem> unusual(const Setup &setup, int channel);
// Why this character cannot reach the unit intact; empty when it can.
QString characterProblem(char32_t character);

} // namespace qm
