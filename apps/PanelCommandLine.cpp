#include "apps/PanelCommandLine.h"

#include "process/StandardOptions.h"

#include "QmVersion.h"
#include "model/UnitModel.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace qm {

namespace {

// The usage error code of the other programs here (qm-unit-sim, qmctl).
constexpr int ExitBadUsage = 2;

// The parser names the program only once an application exists, and there is none yet.
QString helpText(const QCommandLineParser &parser, const QString &program)
{
    QString text = parser.helpText();
    text.replace(0, text.indexOf(u'\n'), QStringLiteral("Usage: %1 [options]").arg(program));
    return text;
}

CommandLineAnswer refused(const QCommandLineParser &parser, const QString &program,
                          const QString &why)
{
    return {ExitBadUsage,
            QStringLiteral("%1: %2\n\n%3").arg(program, why, helpText(parser, program)), true};
}

} // namespace

std::optional<CommandLineAnswer> answerCommandLine(const QStringList &arguments,
                                                   const UnitModel &model)
{
    if (arguments.size() <= 1)
        return std::nullopt;
    const QString program = QFileInfo(arguments.constFirst()).fileName();
    const QCommandLineOption help = helpOption();
    const QCommandLineOption version = versionOption();
    QCommandLineParser parser;
    // "-platform" is one unknown option, not eight unknown letters.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Control panel for a %1 twelve-channel video overlay unit on a serial "
                       "line.\nPick the unit's port in the window; other settings are kept in "
                       "the preferences file.")
            .arg(model.name));
    parser.addOptions({help, version});

    if (!parser.parse(arguments))
        return refused(parser, program, parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return refused(parser, program,
                       QStringLiteral("unexpected argument: ") +
                           parser.positionalArguments().constFirst());
    if (parser.isSet(help))
        return CommandLineAnswer{0, helpText(parser, program), false};
    if (!parser.isSet(version))
        return std::nullopt;
    return CommandLineAnswer{
        0, QStringLiteral("%1 %2\n").arg(program, QLatin1String(ProgramVersion)), false};
}

} // namespace qm
