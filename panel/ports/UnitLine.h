#pragma once

#include "link/SerialLink.h"
#include "protocol/FrameSink.h"

namespace qm {

// The line the panel's commands take to the unit: the link. While the line is lost the frames
// are still built and handed to the link, which passes them on as not sent, so that an edit
// the operator makes then is named with what did not reach the unit instead of vanishing.
class UnitLine : public FrameSink
{
public:
    explicit UnitLine(SerialLink &link) : m_link(link) {}

    // The line failed and its port stays closed until the operator picks a port.
    void setLost(bool lost) { m_lost = lost; }
    bool isLost() const { return m_lost; }

    bool isOpen() const override { return m_link.isOpen() || m_lost; }
    void write(const QByteArray &frame) override { m_link.write(frame); }

private:
    SerialLink &m_link;
    bool m_lost = false;
};

} // namespace qm
