#pragma once

#include "link/SerialLink.h"
#include "protocol/DeliveryRecord.h"
#include "protocol/FrameSink.h"

#include <QByteArrayList>

#include <utility>

namespace qm {

// The line every command of the panel takes to the unit: the link. While the line is lost the
// frames are still built and handed to the link, which passes them on as not sent, so that an
// edit the operator makes then is named with what did not reach the unit instead of vanishing.
// It keeps the record of what its frames did to each channel since the channel last answered.
// While its port is lent (Find the Unit asks it at another speed), frames wait, in order, and go
// when the port is back, at the panel's own speed; if it does not come back, the link passes
// them on as not sent.
class UnitLine : public FrameSink
{
public:
    UnitLine(SerialLink &link, const UnitModel &model) : m_link(link), m_delivery(model) {}

    // The line failed and its port stays closed until the operator picks a port.
    void setLost(bool lost) { m_lost = lost; }
    bool isLost() const { return m_lost; }

    void setLent(bool lent)
    {
        m_lent = lent;
        if (!lent) {
            for (const QByteArray &frame : std::exchange(m_waiting, {}))
                m_link.write(frame);
        }
    }
    bool isLent() const { return m_lent; }

    bool isOpen() const override { return m_link.isOpen() || m_lost || m_lent; }
    void write(const QByteArray &frame) override
    {
        m_delivery.noteWritten(frame);
        if (m_lent)
            m_waiting.append(frame);
        else
            m_link.write(frame);
    }

    SerialLink &link() const { return m_link; }
    DeliveryRecord &delivery() { return m_delivery; }
    const DeliveryRecord &delivery() const { return m_delivery; }

private:
    SerialLink &m_link;
    DeliveryRecord m_delivery;
    QByteArrayList m_waiting;
    bool m_lost = false;
    bool m_lent = false;
};

} // namespace qm
