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
};

} // namespace qm
