#pragma once

#include "model/Field.h"

#include <QString>

namespace qm {

// How one setting control shows its record field and turns its own value back into it.
enum class SettingKind : quint8
{
    // A check box showing one bit of the field; the field is rebuilt from every box that
    // shows one of its bits.
    CheckBit,
    // A pair of option buttons; the field is 1 for one of them and 0 for the other.
    OptionPair,
    // A list showing (field AND mask); a value beyond the list shows and becomes entry 0.
    List,
    // A list that shows the field only when the list has that entry, and otherwise keeps
    // what it showed; the record is never changed by showing it.
    ListIfPresent,
    // The position and size editor: both coordinates, both sliders and their labels.
    Position,
    // One text line, shown without its leading and trailing spaces.
    TextLine,
};

// Where a window's control meets the channel record: the field it shows, how, and when it is
// filled. Filling a window from a record walks its bindings by step, the model's fill order.
struct SettingBinding
{
    SettingKind kind = SettingKind::CheckBit;
    // The byte field; Position and TextLine bindings name theirs otherwise.
    Field field = Field::TextEnables;
    // CheckBit: the bit shown. List: the mask. OptionPair: 1 when this option, the pair's
    // first, stands for 1. TextLine: the line, 0 to 2.
    quint8 arg = 0;
    int step = 0;
    // OptionPair: the object name of the pair's second option.
    QString partner{};
};

} // namespace qm
