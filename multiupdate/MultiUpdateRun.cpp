#include "multiupdate/MultiUpdateRun.h"

#include "multiupdate/SelectionMask.h"

namespace qm {

namespace {

void copyGroup(const UpdateGroup &group, const ChannelSettings &source, ChannelSettings &target)
{
    for (Field field : group.fields)
        target[field] = source[field];
    if (group.textLine >= 0)
        target.texts[static_cast<std::size_t>(group.textLine)] =
            source.texts[static_cast<std::size_t>(group.textLine)];
}

QString textToSend(const std::function<QString(int)> &shownText, const ChannelSettings &source,
                   int line)
{
    return shownText ? shownText(line) : source.texts[static_cast<std::size_t>(line)];
}

void sendGroupFrames(const UpdateGroup &group, int index, CommandSender &sender,
                     const std::function<QString(int)> &shownText, const ChannelSettings &source)
{
    for (Field field : group.ownFrames)
        sender.sendField(index, field);
    if (group.textLine >= 0)
        sender.sendText(index, group.textLine, textToSend(shownText, source, group.textLine));
}

void run(const UnitModel &model, ChannelTable &table, const ChannelSettings &source,
         quint32 channelSelection, quint32 settingSelection, CommandSender &sender,
         const std::function<QString(int line)> &shownText)
{
    const int groupCount = static_cast<int>(model.updateGroups.size());

    for (int index = 0; index < ChannelTable::size(); ++index) {
        if (!isBitSet(channelSelection, index))
            continue;
        for (int bit = 0; bit < groupCount; ++bit) {
            if (!isBitSet(settingSelection, bit))
                continue;
            const UpdateGroup &group = model.updateGroups[static_cast<std::size_t>(bit)];
            copyGroup(group, source, table[index]);
            sendGroupFrames(group, index, sender, shownText, source);
        }
        sender.sendData(index);
    }
}

// Takes frames and drops them: a rehearsal only listens for refusals.
class NoLine : public FrameSink
{
public:
    bool isOpen() const override { return true; }
    void write(const QByteArray &) override {}
};

} // namespace

// The run is rehearsed on a copy first, so that a frame the sender would refuse stops the
// whole run before its first frame, and no channel is left half updated.
bool updateMultiple(const UnitModel &model, ChannelTable &table, int currentChannel,
                    quint32 channelSelection, quint32 settingSelection, CommandSender &sender,
                    const std::function<QString(int line)> &shownText)
{
    if (!ChannelTable::isValidIndex(currentChannel))
        return false;
    // Only target records change and a self-copy changes nothing, so the source never moves
    // during the run; the copy just keeps that from hanging on the loop order.
    const ChannelSettings source = table[currentChannel];
    ChannelTable rehearsed = table;
    NoLine noLine;
    CommandSender rehearsal(model, rehearsed, noLine);
    QStringList refusals;
    rehearsal.setRefusalHandler([&refusals](const QString &why) { refusals << why; });
    run(model, rehearsed, source, channelSelection, settingSelection, rehearsal, shownText);
    if (!refusals.isEmpty()) {
        sender.reportRefusal(QStringLiteral("Multiple Update sent nothing:\n") +
                             refusals.join(u'\n'));
        return false;
    }
    run(model, table, source, channelSelection, settingSelection, sender, shownText);
    return true;
}

} // namespace qm
