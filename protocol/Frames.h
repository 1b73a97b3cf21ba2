#pragma once

#include "protocol/FrameSink.h"

#include "model/ChannelSettings.h"
#include "model/UnitModel.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>
#include <QVarLengthArray>

#include <array>
#include <optional>

namespace qm {

// The command codes the panels send; the unit knows no others.
enum class Command : quint8
{
    ChannelData = 2,
    BlankOn = 3,
    BlankOff = 4,
    Text1 = 5,
    Text2 = 6,
    Text3 = 7,
    SettingsRequest = 8,
    TimeFont = 9,
};

inline constexpr quint8 EndMarker = 250;
inline constexpr int TextPayloadLength = 30;
inline constexpr quint8 TextPad = 0x80;

// Command 5, 6 or 7 for text line 0, 1 or 2.
Command textCommand(int textIndex);

// The channel data payload (command 2): every byte setting but Blank, in the model's order.
using DataPayload = QVarLengthArray<char, FieldCount>;
DataPayload dataPayload(const UnitModel &model, const ChannelSettings &record);

// payload, command, channel, 250: built with exactly one allocation.
QByteArray buildFrame(Command command, quint8 channel, QByteArrayView payload);

// The command and channel a frame ends in, before its end marker.
struct FrameAddress
{
    quint8 command = 0;
    quint8 channel = 0;
};

// Read from the frame's tail, so that a frame the driver had partly taken is still named;
// nothing for bytes that do not end as a frame does or name no channel.
std::optional<FrameAddress> frameAddress(QByteArrayView frame);

// Frames and writes one command in one write, only while the port is open. With
// includePayload false the payload is ignored, whatever it holds.
void sendCommand(FrameSink &sink, Command command, quint8 channel, QByteArrayView payload,
                 bool includePayload);

// The text without its leading and trailing space characters; tabs and other blanks are kept
// (the unit shows them).
QStringView trimSpaces(QStringView text);

// The 30 bytes a text line travels as: spaces trimmed at both ends, cut to 30 characters,
// padded with 0x80, in the unit's character set.
std::array<char, TextPayloadLength> textPayload(QStringView text);

} // namespace qm
