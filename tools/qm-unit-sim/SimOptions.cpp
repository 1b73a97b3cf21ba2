#include "tools/qm-unit-sim/SimOptions.h"

#include "QmVersion.h"
#include "process/StandardOptions.h"
#include "tools/qm-unit-sim/PlainNumber.h"

#include <QCommandLineParser>

namespace qm::sim {

namespace {

const QCommandLineOption ModelOption(QStringLiteral("model"),
                                     QStringLiteral("Unit model: 410a or 520a."),
                                     QStringLiteral("model"));
const QCommandLineOption ChannelsOption(QStringLiteral("channels"),
                                        QStringLiteral("Channels that answer, 0 to 12."),
                                        QStringLiteral("N"), QStringLiteral("12"));
const QCommandLineOption StateOption(QStringLiteral("state"),
                                     QStringLiteral("Channel settings to start from."),
                                     QStringLiteral("file"));
const QCommandLineOption LinkOption(QStringLiteral("link"),
                                    QStringLiteral("Symbolic link to make to the device."),
                                    QStringLiteral("path"));
const QCommandLineOption SplitOption(QStringLiteral("split"),
                                     QStringLiteral("Send replies in small pieces."));
const QCommandLineOption NoiseOption(QStringLiteral("noise"),
                                     QStringLiteral("Send stray bytes between replies."));
const QCommandLineOption BadFramesOption(QStringLiteral("bad-frames"),
                                         QStringLiteral("Send malformed replies now and then."));
const QCommandLineOption IgnoreOption(
    QStringLiteral("ignore"),
    QStringLiteral("Keep this field of the channel data as it is (HorizPos, Blank, ...)."),
    QStringLiteral("FIELD"));
const QCommandLineOption HelpOption = helpOption();
const QCommandLineOption VersionOption = versionOption();

const QCommandLineOption UnpacedOption(
    QStringLiteral("unpaced"),
    QStringLiteral("Answer at once instead of at the line speed, for timing a program."));

const QCommandLineOption LateOption(
    QStringLiteral("late"),
    QStringLiteral("Begin each reply MS after its request, then send it at the line speed."),
    QStringLiteral("MS"), QStringLiteral("0"));

std::optional<Field> dataField(const UnitWire &wire, const QString &name)
{
    for (Field field : wire.dataPayload) {
        if (name == QLatin1String(fieldName(field)))
            return field;
    }
    if (name == QLatin1String(fieldName(Field::Blank)))
        return Field::Blank;
    return std::nullopt;
}

SimOptions::Result refused(const QCommandLineParser &parser, const QString &why)
{
    return {std::nullopt, why + QStringLiteral("\n\n") + parser.helpText(), {}};
}

} // namespace

SimOptions::Result SimOptions::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Emulates a QM-410A or QM-520A unit on a pseudo-terminal."));
    parser.addOptions({ModelOption, ChannelsOption, StateOption, LinkOption, SplitOption,
                       NoiseOption, BadFramesOption, IgnoreOption, UnpacedOption, LateOption,
                       HelpOption, VersionOption});
    if (!parser.parse(arguments))
        return refused(parser, parser.errorText());
    if (parser.isSet(HelpOption))
        return {std::nullopt, {}, parser.helpText()};
    if (parser.isSet(VersionOption))
        return {std::nullopt, {}, QStringLiteral("qm-unit-sim %1\n").arg(ProgramVersion)};
    if (!parser.positionalArguments().isEmpty())
        return refused(parser, QStringLiteral("Unexpected argument: ") +
                                   parser.positionalArguments().constFirst());

    SimOptions options;
    options.wire = unitWireByName(parser.value(ModelOption));
    if (!options.wire)
        return refused(parser, QStringLiteral("--model must be 410a or 520a"));

    const std::optional<int> channels = readPlainNumber(parser.value(ChannelsOption));
    if (!channels || *channels > ChannelCount)
        return refused(parser, QStringLiteral("--channels must be a number from 0 to 12"));
    options.channels = *channels;

    options.stateFile = parser.value(StateOption);
    options.linkPath = parser.value(LinkOption);
    options.faults = {parser.isSet(SplitOption), parser.isSet(NoiseOption),
                      parser.isSet(BadFramesOption)};
    options.paced = !parser.isSet(UnpacedOption);
    constexpr int LongestLateMs = 60000;
    const std::optional<int> late = readPlainNumber(parser.value(LateOption));
    if (!late || *late > LongestLateMs)
        return refused(parser, QStringLiteral("--late must be a number of milliseconds from 0 "
                                              "to 60000"));
    options.lateMs = *late;
    if (parser.isSet(IgnoreOption)) {
        options.ignoredField = dataField(*options.wire, parser.value(IgnoreOption));
        if (!options.ignoredField)
            return refused(parser, QStringLiteral("--ignore must name a field of the channel "
                                                  "data, like HorizPos"));
    }
    return {options, {}, {}};
}

} // namespace qm::sim
