#pragma once

#include "protocol/FileOutput.h"
#include "protocol/SetupFile.h"

#include "model/ChannelTable.h"
#include "model/UnitModel.h"

#include <QByteArray>
#include <QString>

namespace qm {

// settings.txt, the QM-520A panel's export of every channel at close: twelve lines, each the
// model's export fields as decimal numbers, then the three text lines exactly as held, joined
// by "|", in the unit's character set.

inline constexpr auto ExportFileName = "settings.txt";

// One export line, before encoding.
QString exportLine(const UnitModel &model, const ChannelSettings &record);

// All twelve lines, CRLF-terminated, in the unit's character set.
QByteArray exportContents(const UnitModel &model, const ChannelTable &table);

// Writes settings.txt at path, replacing any old file whole or not at all.
WriteResult exportSettings(const UnitModel &model, const ChannelTable &table, const QString &path,
                           FileOutput &output);

// Reads settings.txt as the panel writes it, or as saved again as UTF-8 (markedUtf8: it
// started with UTF-8's byte-order mark, already taken off contents). Checked as readSetupFile
// checks a setup file; a model without the export refuses it.
SetupReadResult parseSettingsTxt(const QByteArray &contents, bool markedUtf8,
                                 const QString &fileName, const UnitModel &model);

} // namespace qm
