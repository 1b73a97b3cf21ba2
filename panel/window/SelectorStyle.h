#pragma once

#include <QtGlobal>

namespace qm {

// How a model's window draws its twelve channel selectors.
enum class SelectorStyle : quint8
{
    // A lit or unlit indicator picture; the channel numbers are separate labels.
    IndicatorPicture,
    // A push button captioned with the channel number, its face colour marking the choice.
    PushButton,
};

} // namespace qm
