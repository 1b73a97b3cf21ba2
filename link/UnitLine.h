#pragma once

#include "link/SerialLink.h"
#include "protocol/DeliveryRecord.h"
#include "protocol/FrameSink.h"

namespace qm {

// The line every command of the panel takes to the unit: the link. While the line is lost the
// frames are still built and handed to the link, which passes them on as not sent, so that an
// edit the operator makes then is named with what did not reach the unit instead of vanishing.
// It keeps the record of what its frames did to each channel since the channel last answered.
class UnitLine : public FrameSink
{
public:
    UnitLine(SerialLink &link, const UnitModel &model) : m_link(link), m_delivery(model) {}

    // The line failed and its port stays closed until the operator picks a port.
    void setLost(bool lost) { m_lost = lost; }
    bool isLost() const { return m_lost; }

    bool isOpen() const override { return m_link.isOpen() || m_lost; }
    void write(const QByteArray &frame) override
    {
        m_delivery.noteWritten(frame);
        m_link.write(frame);
    }

    SerialLink &link() const { return m_link; }
    DeliveryRecord &delivery() { return m_delivery; }
    const DeliveryRecord &delivery() const { return m_delivery; }

private:
    SerialLink &m_link;
    DeliveryRecord m_delivery;
    bool m_lost = false;
};

} // namespace qm
