// Feeds arbitrary bytes in arbitrary pieces to the reply receiver and checks that it accepts
// exactly the replies the framing rule allows, and touches nothing else.

#include "protocol/ReplyReceiver.h"
#include "tests/fuzz/FuzzInput.h"

#include <cstdlib>
#include <vector>

using namespace qm;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// The framing rule, stated by positions rather than as a state machine: an end marker
// completes a reply when a start marker came before it with no marker in between, and the
// count of bytes since then leaves 103 after dropping whole wraps of 104.
std::vector<int> acceptedChannels(const UnitModel &model, QByteArrayView stream)
{
    std::vector<int> channels;
    qsizetype lastStart = -1;
    qsizetype lastEnd = -1;
    for (qsizetype i = 0; i < stream.size(); ++i) {
        const auto byte = static_cast<quint8>(stream[i]);
        if (byte == ReplyStart) {
            lastStart = i;
        } else if (byte == ReplyEnd) {
            const qsizetype between = i - lastStart - 1;
            if (lastStart > lastEnd && between % (ReplyDataLength + 1) == ReplyDataLength) {
                const auto channel =
                    static_cast<quint8>(stream[i - ReplyDataLength + model.replyChannelByte]);
                if (ChannelTable::isValidIndex(channel))
                    channels.push_back(channel);
            }
            lastEnd = i;
        }
    }
    return channels;
}

ChannelTable markedTable()
{
    ChannelTable table;
    for (int i = 0; i < ChannelTable::size(); ++i) {
        table[i].bytes.fill(0xA5);
        table[i].texts.fill(QStringLiteral("before"));
    }
    return table;
}

struct Receiving
{
    explicit Receiving(const UnitModel &model) : table(markedTable()), receiver(model, table)
    {
        QObject::connect(&receiver, &ReplyReceiver::channelAnswered, &receiver,
                         [this](int index) { answered.push_back(index); });
    }

    ChannelTable table;
    ReplyReceiver receiver;
    std::vector<int> answered;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const fuzz::FuzzInput input = fuzz::FuzzInput::read(data, size);
    const UnitModel &model = *input.model;

    Receiving pieces(model);
    qsizetype at = 0;
    for (qsizetype turn = 0; at < input.stream.size(); ++turn) {
        const qsizetype piece =
            input.sizes.isEmpty() ? input.stream.size()
                                  : static_cast<quint8>(input.sizes[turn % input.sizes.size()]) + 1;
        const qsizetype take = qMin(piece, input.stream.size() - at);
        pieces.receiver.feed(input.stream.sliced(at, take));
        at += take;
        check(pieces.receiver.replyCount() >= 0 && pieces.receiver.replyCount() <= ReplyDataLength);
    }

    Receiving whole(model);
    whole.receiver.feed(input.stream);

    check(pieces.answered == acceptedChannels(model, input.stream));
    check(pieces.answered == whole.answered);
    const ChannelTable before = markedTable();
    for (int i = 0; i < ChannelTable::size(); ++i) {
        check(pieces.table[i] == whole.table[i]);
        const bool named =
            std::find(pieces.answered.begin(), pieces.answered.end(), i) != pieces.answered.end();
        if (!named)
            check(pieces.table[i] == before[i]);
        for (const QString &text : pieces.table[i].texts)
            check(named ? text.size() <= 30 : text == QStringLiteral("before"));
    }
    return 0;
}
