#pragma once

#include "SettingRow.h"
#include "UnitModel.h"

#include <vector>

namespace qm {

// The order in which a model's main window shows a channel, with the masks that keep each
// list within its entries. Empty for a model that has no window.
const std::vector<SettingRow> &settingRows(const UnitModel &model);

} // namespace qm
