#include "panel/session/LinkNotice.h"

#include "model/ChannelTable.h"
#include "protocol/Frames.h"

#include "panel/window/LineMark.h"
#include "panel/window/OperatorNotice.h"

#include <QMap>

#include <array>

namespace qm {

namespace {

struct SettingName
{
    Command command;
    const char *name;
};

// What the operator calls the setting each command carries; settings requests carry none.
constexpr std::array SettingNames{
    SettingName{Command::ChannelData, "Position, size and options"},
    SettingName{Command::BlankOn, "Blank"},
    SettingName{Command::BlankOff, "Blank"},
    SettingName{Command::Text1, "Text 1"},
    SettingName{Command::Text2, "Text 2"},
    SettingName{Command::Text3, "Text 3"},
    SettingName{Command::TimeFont, "Time font"},
};

QString settingName(quint8 command)
{
    for (const SettingName &entry : SettingNames) {
        if (static_cast<quint8>(entry.command) == command)
            return QString::fromLatin1(entry.name);
    }
    return {};
}

// A frame ends in command, channel and the end marker; a frame the driver had partly taken
// still has that end, whatever its payload held.
constexpr qsizetype TailLength = 3;

// Its place among the window's notices, which it takes anew as it grows.
const QString Topic = QStringLiteral("link");

} // namespace

LinkNotice::LinkNotice(OperatorNotice &notice, LineMark &mark, QObject *parent)
    : QObject(parent), m_notice(notice), m_mark(mark)
{
    connect(&m_mark, &LineMark::clicked, this, &LinkNotice::show);
}

QString LinkNotice::describe(const QByteArrayList &frames)
{
    QMap<int, QStringList> byChannel;
    for (const QByteArray &frame : frames) {
        if (frame.size() < TailLength || static_cast<quint8>(frame.back()) != EndMarker)
            continue;
        const auto channel = static_cast<quint8>(frame.at(frame.size() - 2));
        const QString name = settingName(static_cast<quint8>(frame.at(frame.size() - 3)));
        if (channel >= ChannelCount || name.isEmpty())
            continue;
        QStringList &names = byChannel[channel];
        if (!names.contains(name))
            names.append(name);
    }
    QStringList parts;
    for (auto it = byChannel.cbegin(); it != byChannel.cend(); ++it)
        parts.append(QStringLiteral("channel %1: %2").arg(it.key() + 1).arg(it->join(u", ")));
    return parts.join(u"; ");
}

void LinkNotice::noteDropped(const QByteArrayList &frames)
{
    m_dropped += frames;
    if (!describe(frames).isEmpty())
        show();
}

void LinkNotice::noteWaiting(bool waiting)
{
    m_waiting = waiting;
    showMark();
}

void LinkNotice::noteLineLost()
{
    m_waiting = false;
    m_lineLost = true;
    showMark();
    show();
}

void LinkNotice::clear()
{
    m_dropped.clear();
    m_waiting = false;
    m_lineLost = false;
    showMark();
    m_notice.withdraw(Topic);
}

void LinkNotice::showMark()
{
    if (m_lineLost)
        m_mark.mark(QStringLiteral("Line lost"));
    else
        m_mark.mark(m_waiting ? QStringLiteral("Line interrupted") : QString());
}

void LinkNotice::show()
{
    QString text =
        m_lineLost
            ? QStringLiteral("The line to the unit was lost. Pick the port to connect again.")
        : m_waiting
            ? QStringLiteral("The line to the unit was interrupted; the panel waits for its "
                             "adapter to come back.")
            : QStringLiteral("The line to the unit was interrupted.");
    const QString unsent = describe(m_dropped);
    if (!unsent.isEmpty())
        text += QStringLiteral("\nNot sent: ") + unsent;
    m_notice.put(Topic, text);
}

} // namespace qm
