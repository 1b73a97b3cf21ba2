#pragma once

#include "protocol/FileOutput.h"

#include "model/ChannelTable.h"
#include "model/UnitModel.h"

namespace qm {

inline constexpr auto ExportFileName = "settings.txt";

// One export line: the model's export fields as decimal numbers, then the three text lines
// exactly as held, joined by "|".
QString exportLine(const UnitModel &model, const ChannelSettings &record);

// All twelve lines, CRLF-terminated, in the unit's character set.
QByteArray exportContents(const UnitModel &model, const ChannelTable &table);

// Writes settings.txt at path, replacing any old file whole or not at all.
WriteResult exportSettings(const UnitModel &model, const ChannelTable &table, const QString &path,
                           FileOutput &output);

} // namespace qm
