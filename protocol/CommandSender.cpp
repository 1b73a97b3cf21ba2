#include "protocol/CommandSender.h"

#include "protocol/HiddenFrames.h"

#include <QDebug>

namespace qm {

namespace {

quint8 channelByte(int index)
{
    return static_cast<quint8>(index);
}

// Only a payload with the end marker in it can hold another frame; most never do.
bool holdsEnd(QByteArrayView payload)
{
    return payload.contains(static_cast<char>(EndMarker));
}

// True, and reported, when the problem keeps the frame from being written.
bool refusedAndReported(const CommandSender &sender, const std::optional<SettingProblem> &problem)
{
    if (problem)
        sender.reportRefusal(describeProblem(*problem) + QStringLiteral(": not sent"));
    return problem.has_value();
}

} // namespace

CommandSender::CommandSender(const UnitModel &model, const ChannelTable &table, FrameSink &sink)
    : m_model(model), m_table(table), m_sink(sink)
{}

void CommandSender::reportRefusal(const QString &why) const
{
    if (m_refusalHandler)
        m_refusalHandler(why);
    else
        qWarning().noquote() << why;
}

// Only data and text frames are long enough to hold another: the others end within four bytes.
void CommandSender::sendData(int index)
{
    const DataPayload payload = dataPayload(m_model, m_table[index]);
    const QByteArrayView bytes(payload.data(), payload.size());
    if (holdsEnd(bytes) &&
        refusedAndReported(*this, hiddenFrameInData(m_model, m_table[index], index)))
        return;
    sendCommand(m_sink, Command::ChannelData, channelByte(index), bytes, true);
}

void CommandSender::sendBlank(int index)
{
    const Command command =
        m_table[index][Field::Blank] == 1 ? Command::BlankOn : Command::BlankOff;
    sendCommand(m_sink, command, channelByte(index), {}, false);
}

void CommandSender::sendText(int index, int textIndex, QStringView shownText)
{
    const auto payload = textPayload(shownText);
    const QByteArrayView bytes(payload.data(), static_cast<qsizetype>(payload.size()));
    if (holdsEnd(bytes) &&
        refusedAndReported(*this, hiddenFrameInText(m_model, textIndex, shownText, index)))
        return;
    sendCommand(m_sink, textCommand(textIndex), channelByte(index), bytes, true);
}

void CommandSender::sendTimeFont(int index)
{
    if (!m_model.hasTimeFont)
        return;
    const char payload = static_cast<char>(m_table[index][Field::TimeFont]);
    sendCommand(m_sink, Command::TimeFont, channelByte(index), QByteArrayView(&payload, 1), true);
}

void CommandSender::sendField(int index, Field field)
{
    const FieldRow *row = m_model.row(field);
    if (!row)
        return;
    switch (row->frame) {
    case FieldFrame::Data:
        sendData(index);
        break;
    case FieldFrame::Blank:
        sendBlank(index);
        break;
    case FieldFrame::TimeFont:
        sendTimeFont(index);
        break;
    }
}

// All or nothing, so that the unit is not left with half of the channel's update.
void CommandSender::sendUpdate(int index, const std::array<QString, TextLineCount> &texts,
                               bool withTimeFont)
{
    QStringList problems;
    for (int line = 0; line < TextLineCount; ++line) {
        if (const auto problem =
                hiddenFrameInText(m_model, line, texts[static_cast<std::size_t>(line)], index))
            problems << describeProblem(*problem);
    }
    if (const auto problem = hiddenFrameInData(m_model, m_table[index], index))
        problems << describeProblem(*problem);
    if (!problems.isEmpty()) {
        reportRefusal(QStringLiteral("Nothing was sent to channel %1:\n").arg(index + 1) +
                      problems.join(u'\n'));
        return;
    }
    for (int line = 0; line < TextLineCount; ++line)
        sendText(index, line, texts[static_cast<std::size_t>(line)]);
    sendData(index);
    for (const FieldRow &row : m_model.fields) {
        if (row.frame != FieldFrame::Data && (withTimeFont || row.field != Field::TimeFont))
            sendField(index, row.field);
    }
}

void CommandSender::requestSettings(int index)
{
    sendCommand(m_sink, Command::SettingsRequest, channelByte(index), {}, false);
}

} // namespace qm
