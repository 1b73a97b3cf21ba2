#pragma once

#include <QByteArrayList>

namespace qm {

// The frames a port has handed to its driver and the driver has not yet confirmed taking, in
// order, so that a port that fails can name or resend exactly the bytes that did not go out.
class UnsentFrames
{
public:
    void append(const QByteArray &frame) { m_frames.append(frame); }
    // The driver took this many bytes from the front.
    void confirm(qint64 count);
    // What is left (the first frame possibly cut at its start); none are kept.
    QByteArrayList take() { return std::exchange(m_frames, {}); }
    void clear() { m_frames.clear(); }
    bool isEmpty() const { return m_frames.isEmpty(); }
    const QByteArray &first() const { return m_frames.first(); }
    qsizetype bytes() const;

private:
    QByteArrayList m_frames;
};

} // namespace qm
