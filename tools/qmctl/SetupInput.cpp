#include "tools/qmctl/SetupInput.h"

#include "protocol/ChannelList.h"
#include "protocol/RoundTrip.h"
#include "tools/qmctl/Output.h"

namespace qm {

namespace {

// The channels a write sends: those --channels names, all of which the file must hold, or
// every channel the file holds.
std::optional<QList<int>> channelsToWrite(const CommandLine &line, const Setup &setup)
{
    if (!line.channels)
        return setup.present;
    QList<int> missing;
    for (int index : *line.channels) {
        if (!setup.holds(index))
            missing.append(index);
    }
    if (missing.isEmpty())
        return line.channels;
    printError(
        QStringLiteral("--channels: %1 does not hold %2").arg(line.file, channelsPhrase(missing)));
    return std::nullopt;
}

// A value no frame can set would make the restore report success for a unit left otherwise.
bool restorable(const Setup &setup, const QList<int> &channels, const QString &file)
{
    bool restorable = true;
    for (int index : channels) {
        for (const SettingProblem &problem : unrestorable(setup, index)) {
            printError(QStringLiteral("%1: %2").arg(file, describeProblem(problem)));
            restorable = false;
        }
        for (const SettingProblem &problem : unusual(setup, index))
            printError(QStringLiteral("note: %1 (sent as it is)").arg(describeProblem(problem)));
    }
    if (!restorable)
        printError(QStringLiteral("nothing was sent"));
    return restorable;
}

} // namespace

std::optional<SetupInput> readSetupInput(const CommandLine &line)
{
    SetupInput input;
    if (line.file.isEmpty())
        return input;
    SetupReadResult read = readSetupFile(line.file, *line.model);
    if (!read.setup) {
        printError(read.error);
        return std::nullopt;
    }
    input.setup = std::move(read.setup);
    if (line.command != u"write")
        return input;
    const std::optional<QList<int>> chosen = channelsToWrite(line, *input.setup);
    if (!chosen || !restorable(*input.setup, *chosen, line.file))
        return std::nullopt;
    input.channels = *chosen;
    return input;
}

} // namespace qm
