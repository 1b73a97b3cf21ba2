#pragma once

#include "protocol/FrameSink.h"
#include "protocol/Frames.h"

#include "model/ChannelTable.h"
#include "model/UnitModel.h"

#include <QString>

#include <array>
#include <functional>

namespace qm {

// Turns a channel's record into the frames of the unit's command set and writes them to the
// sink. It keeps no state: every call reads the table as it stands. It is the last guard
// before the line: a frame that holds a shorter frame is never written, and says why.
class CommandSender
{
public:
    CommandSender(const UnitModel &model, const ChannelTable &table, FrameSink &sink);

    // Command 2: every byte setting but Blank, in the model's payload order.
    void sendData(int index);
    // Command 3 when Blank is 1, else 4.
    void sendBlank(int index);
    // Commands 5 to 7. The text is the line as the window shows it, not the record's.
    void sendText(int index, int textIndex, QStringView shownText);
    // Command 9; the QM-410A has no time font and sends nothing.
    void sendTimeFont(int index);
    // The frame the field's row names; nothing for a field the model lacks.
    void sendField(int index, Field field);
    // What the Update button sends for a channel, in its order: the three text lines as given,
    // the byte settings, then the fields of frames of their own in record order (the blanking
    // and, unless withTimeFont is false, the time font); none of them when the sender would
    // refuse one.
    void sendUpdate(int index, const std::array<QString, TextLineCount> &texts,
                    bool withTimeFont = true);
    // Command 8: asks the unit for one settings reply.
    void requestSettings(int index);

    const UnitModel &model() const { return m_model; }

    // Told why a frame was not written: "channel 12, Text1: ...: not sent". Without a handler
    // the refusal goes to the log.
    using RefusalHandler = std::function<void(const QString &why)>;
    void setRefusalHandler(RefusalHandler handler) { m_refusalHandler = std::move(handler); }
    // Says why something was not sent, as a refused frame does.
    void reportRefusal(const QString &why) const;

private:
    const UnitModel &m_model;
    const ChannelTable &m_table;
    FrameSink &m_sink;
    RefusalHandler m_refusalHandler;
};

} // namespace qm
