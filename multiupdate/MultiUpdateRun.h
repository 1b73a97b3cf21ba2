#pragma once

#include "model/ChannelTable.h"
#include "model/UnitModel.h"
#include "protocol/CommandSender.h"

#include <QString>

#include <functional>

namespace qm {

// The multi-channel update run. For every channel chosen in channelSelection (ascending) it
// copies each group chosen in settingSelection (ascending) from the shown channel's record to
// that channel's record, sends the group's own frame at once, and closes the channel's turn
// with its data frame. The sender must write from the same table.
//
// Text frames carry shownText(line), the line as the window shows it; when shownText is empty
// the shown channel's record line is sent (trimmed on the way out like any text).
// An invalid currentChannel runs nothing; so does a run of which the sender would refuse a
// frame: the refusals go to the sender's handler together, and no record changes. True when
// the run was made.
bool updateMultiple(const UnitModel &model, ChannelTable &table, int currentChannel,
                    quint32 channelSelection, quint32 settingSelection, CommandSender &sender,
                    const std::function<QString(int line)> &shownText);

} // namespace qm
