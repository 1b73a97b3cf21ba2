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

// What an option pair's first option stands for; the second stands for the other value.
enum class FirstOption : quint8
{
    StandsForZero,
    StandsForOne,
};

// Where a window's control meets the channel record: the field it shows, how, and when it is
// filled. Filling a window from a record walks its bindings by step, the model's fill order.
// Made by the functions in `bind`, one a kind, so that a window's row reads as what it binds.
struct SettingBinding
{
    SettingKind kind = SettingKind::CheckBit;
    // The byte field; Position and TextLine bindings name theirs otherwise.
    Field field = Field::TextEnables;
    int step = 0;
    quint8 bit = 0;                                 // CheckBit: the bit shown
    quint8 mask = 0;                                // List: the bits shown
    FirstOption first = FirstOption::StandsForZero; // OptionPair
    QString partner{}; // OptionPair: the object name of the pair's second option
    int line = 0;      // TextLine: 0 to 2
};

namespace bind {

inline SettingBinding checkBit(Field field, quint8 bit, int step)
{
    return {.kind = SettingKind::CheckBit, .field = field, .step = step, .bit = bit};
}

inline SettingBinding optionPair(Field field, FirstOption first, int step, const QString &partner)
{
    return {.kind = SettingKind::OptionPair,
            .field = field,
            .step = step,
            .first = first,
            .partner = partner};
}

inline SettingBinding list(Field field, quint8 mask, int step)
{
    return {.kind = SettingKind::List, .field = field, .step = step, .mask = mask};
}

inline SettingBinding listIfPresent(Field field, int step)
{
    return {.kind = SettingKind::ListIfPresent, .field = field, .step = step};
}

inline SettingBinding position(int step)
{
    return {.kind = SettingKind::Position, .step = step};
}

inline SettingBinding textLine(int line, int step)
{
    return {.kind = SettingKind::TextLine, .step = step, .line = line};
}

} // namespace bind

} // namespace qm
