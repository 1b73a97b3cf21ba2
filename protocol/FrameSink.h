#pragma once

#include <QByteArray>

namespace qm {

// Where command frames go: the open serial port, or a recorder in tests.
class FrameSink
{
public:
    virtual ~FrameSink() = default;
    virtual bool isOpen() const = 0;
    // Hands one whole frame to the line; a frame is never split over two calls.
    virtual void write(const QByteArray &frame) = 0;
};

} // namespace qm
