#pragma once

#include "protocol/FrameSink.h"

#include <QByteArrayList>

namespace qm::test {

// A serial line that keeps every frame written to it, open unless told otherwise.
class RecordingSink : public FrameSink
{
public:
    bool open = true;
    QByteArrayList frames;

    bool isOpen() const override { return open; }
    void write(const QByteArray &frame) override { frames << frame; }
    QByteArray takeAll()
    {
        const QByteArray all = frames.join();
        frames.clear();
        return all;
    }
};

} // namespace qm::test
