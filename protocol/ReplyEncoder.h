#pragma once

#include "model/ChannelSettings.h"
#include "model/UnitModel.h"

#include <QByteArray>

namespace qm {

// The unit's side of a settings reply: the 105 bytes (markers included) that carry a record
// for one channel, packed with the model's reply mapping, texts cut to 30 bytes and padded
// with 0x80. Tests and benchmarks play the unit with it; the emulated unit has its own.
QByteArray encodeReply(const UnitModel &model, const ChannelSettings &record, quint8 channel);

} // namespace qm
