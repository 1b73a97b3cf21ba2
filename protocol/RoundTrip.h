#pragma once

#include "protocol/SetupFile.h"

#include "model/ChannelSettings.h"
#include "model/UnitModel.h"

#include <QList>
#include <QString>

#include <optional>
#include <vector>

namespace qm {

// What a setting's value does on its way to a unit and back: whether a unit could have
// reported it, whether sending it gives the unit exactly that value, and whether it lies
// beyond what the window offers.

// A value named with its channel and why; values as a person reads them.
struct SettingProblem
{
    int channel = 0; // index 0..11
    QString setting; // "Blank", "Text2", "VertPos and VertSize"
    QString value;   // "2", "\" SP \"", "62 and 0"
    QString reason;
};

// "channel 3, Blank: 2: blanking travels only as on (1) or off (0)"
QString describeProblem(const SettingProblem &problem);

// The values of a channel the setup gives that a unit could report but that sending cannot
// give back exactly: Blank other than 0 or 1, a text with spaces at its ends, and bytes the
// unit would read as a frame of their own, which would change another channel too.
QList<SettingProblem> unrestorable(const Setup &setup, int channel);

// The byte values of a channel beyond the window's list (UnitModel::maximum): unusual, but
// restored as they are.
QList<SettingProblem> unusual(const Setup &setup, int channel);

// The largest value a field's reply bits carry back.
quint8 replyMask(const UnitModel &model, Field field);

// The reply byte of the record that would be a reply's start or end marker, which no unit
// can send: its fields (of those given) and their values; none when there is no such byte.
std::optional<SettingProblem> markerClash(const UnitModel &model, const ChannelSettings &record,
                                          const std::vector<Field> &fields, int channel);

// Why one character cannot reach the unit and come back intact, to follow the character:
// "it is not in the unit's character set (Windows-1252)", or its byte is the pad byte or a
// reply's marker; empty when it can.
QString characterProblem(char32_t character);

// Why no reply could have carried this text line: too long, or a character as above
// ("\"€\" is the byte that pads a line (0x80), ..."); empty when one could.
QString textProblem(QStringView text);

} // namespace qm
