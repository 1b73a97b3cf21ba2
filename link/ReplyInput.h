#pragma once

namespace qm {

// Where the replies a program waits for come in: a wait takes what has arrived before it calls
// a channel silent, since a timer and arriving bytes can be due in the same pass of the event
// loop.
class ReplyInput
{
public:
    virtual ~ReplyInput() = default;
    // Hands every byte that has arrived to the reply receiver now.
    virtual void takeInput() = 0;
    // The time bytes spend on the way to the unit and back beyond the line itself (a device
    // server's round trip), as last measured; 0 for a local port.
    virtual int roundTripMs() const = 0;
};

} // namespace qm
