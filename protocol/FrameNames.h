#pragma once

#include <QByteArrayList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace qm {

// "channel 3: Blank, Text 1; channel 5: Time font": what the operator calls the settings the
// frames carry, by channel as the operator counts them. Requests and what cannot be read are
// left out; a frame the driver had partly taken still names its setting by its tail.
QString settingsCarried(const QByteArrayList &frames);

// The same names kept by channel index, in the order the frames first carry them.
QMap<int, QStringList> settingsCarriedByChannel(const QByteArrayList &frames);

// "channel 3: Blank, Text 1; channel 5: Time font", channels with no name left out.
QString settingsByChannel(const QMap<int, QStringList> &names);

} // namespace qm
