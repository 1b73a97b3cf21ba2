#pragma once

#include "model/ChannelSettings.h"

#include <QtGlobal>

namespace qm {

// What the position and size editor needs from the window it sits in: the record it edits,
// the window's Loading flag, the update policy and a way to send the channel data frame.
class PositionHost
{
public:
    virtual ~PositionHost() = default;
    virtual ChannelSettings &currentRecord() = 0;
    virtual bool isLoading() const = 0;
    virtual void setLoading(bool loading) = 0;
    virtual qint16 updateImmediately() const = 0;
    virtual void sendCurrentData() = 0;
};

} // namespace qm
