#include "protocol/FrameNames.h"

#include "model/ChannelTable.h"
#include "protocol/Frames.h"

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

} // namespace

QMap<int, QStringList> settingsCarriedByChannel(const QByteArrayList &frames)
{
    QMap<int, QStringList> byChannel;
    for (const QByteArray &frame : frames) {
        const std::optional<FrameAddress> address = frameAddress(frame);
        const QString name = address ? settingName(address->command) : QString();
        if (name.isEmpty())
            continue;
        QStringList &names = byChannel[address->channel];
        if (!names.contains(name))
            names.append(name);
    }
    return byChannel;
}

QString settingsByChannel(const QMap<int, QStringList> &names)
{
    QStringList parts;
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        if (!it->isEmpty())
            parts.append(QStringLiteral("channel %1: %2").arg(it.key() + 1).arg(it->join(u", ")));
    }
    return parts.join(u"; ");
}

QString settingsCarried(const QByteArrayList &frames)
{
    return settingsByChannel(settingsCarriedByChannel(frames));
}

} // namespace qm
