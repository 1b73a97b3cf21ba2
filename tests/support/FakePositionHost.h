#pragma once

#include "position/PositionHost.h"

namespace qm::test {

// A window as the position editor sees it: one record, a Loading flag, an update policy and a
// count of the channel data frames sent.
class FakePositionHost : public PositionHost
{
public:
    ChannelSettings record;
    bool loading = false;
    qint16 policy = 1;
    int sends = 0;

    ChannelSettings &currentRecord() override { return record; }
    bool isLoading() const override { return loading; }
    void setLoading(bool value) override { loading = value; }
    qint16 updateImmediately() const override { return policy; }
    void sendCurrentData() override { ++sends; }
};

} // namespace qm::test
