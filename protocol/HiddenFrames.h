#pragma once

#include "protocol/RoundTrip.h"

#include "model/ChannelSettings.h"
#include "model/UnitModel.h"

#include <QByteArrayView>
#include <QList>
#include <QStringView>

#include <optional>

namespace qm {

// Finds the frames a unit would take out of the middle of a longer one. A frame has no start
// marker or length, so the unit knows one by its end: a 250 after a command and a channel
// below 12, with that command's payload since the frame began. Bytes of that shape before a
// frame's own end make the unit act on a shorter frame for a channel nobody named.

// One end that a unit would read inside a frame.
struct HiddenFrame
{
    qsizetype end = 0; // index of its 250 in the whole frame
    quint8 command = 0;
    quint8 channel = 0;
    // False for a command code the model lacks: a unit may take it with any payload.
    bool lengthKnown = true;
};

// The ends inside a whole frame (payload, command, channel, 250) that a unit of the model
// would take for frames of their own, earliest first; none for a frame that is sound.
QList<HiddenFrame> hiddenFrames(const UnitModel &model, QByteArrayView frame);

// What the unit would take the frame ending there for: "blanking on for channel 1".
QString describeHiddenFrame(const UnitModel &model, const HiddenFrame &hidden);

// The channel's data frame (command 2) holds a frame: the fields whose bytes would end it.
std::optional<SettingProblem> hiddenFrameInData(const UnitModel &model,
                                                const ChannelSettings &record, int channel);

// The frame of a text line, as it is sent (spaces trimmed, cut to 30), holds a frame: the
// characters that would end it, counted from 1 in the text as given.
std::optional<SettingProblem> hiddenFrameInText(const UnitModel &model, int line, QStringView text,
                                                int channel);

} // namespace qm
