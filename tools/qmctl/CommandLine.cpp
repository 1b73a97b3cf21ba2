#include "tools/qmctl/CommandLine.h"

#include "link/NetworkAddress.h"
#include "link/PortManager.h"
#include "process/StandardOptions.h"
#include "protocol/ChannelList.h"
#include "protocol/QuotedText.h"
#include "tools/qmctl/CommandHelp.h"
#include "tools/qmctl/Output.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace qm {

namespace {

struct Options
{
    QCommandLineOption model{QStringLiteral("model"), QStringLiteral("Unit model: 410a or 520a."),
                             QStringLiteral("model")};
    QCommandLineOption port{QStringLiteral("port"),
                            QStringLiteral("COM1..COM16 (or 1..16), a device path, "
                                           "rfc2217://HOST:PORT or tcp://HOST:PORT."),
                            QStringLiteral("PORT")};
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("read: the setup file to write."),
                              QStringLiteral("FILE")};
    QCommandLineOption summary{QStringLiteral("summary-json"),
                               QStringLiteral("read: where to write a JSON summary."),
                               QStringLiteral("SUMMARY")};
    QCommandLineOption channels{QStringLiteral("channels"),
                                QStringLiteral("write: the channels to send, like 1,3-5."),
                                QStringLiteral("LIST")};
    QCommandLineOption json{QStringLiteral("json"),
                            QStringLiteral("diff, find: print what was found as JSON.")};
    QCommandLineOption trace{QStringLiteral("trace"),
                             QStringLiteral("Print the frames sent and the bytes received, the "
                                            "port and the waits on standard error.")};
};

// The port number of "COM3" or "3" (0 for one outside COM1..COM16), or nothing for what
// names a device.
std::optional<int> portNumberOf(const QString &port)
{
    static const QRegularExpression number(QStringLiteral("^(?:COM)?([0-9]+)$"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = number.match(port);
    if (!match.hasMatch())
        return std::nullopt;
    const int value = match.captured(1).toInt();
    return value >= PortManager::FirstPort && value <= PortManager::LastPort ? value : 0;
}

// Options that belong to some commands only, as the usage names them.
QString misplacedOption(const QCommandLineParser &parser, const Options &options,
                        const QString &command)
{
    const std::tuple<const QCommandLineOption *, const char *, QStringList> owners[] = {
        {&options.port, "--port", {"read", "write", "diff"}},
        {&options.output, "-o", {"read"}},
        {&options.summary, "--summary-json", {"read"}},
        {&options.channels, "--channels", {"write"}},
        {&options.json, "--json", {"diff", "find"}},
    };
    for (const auto &[option, name, commands] : owners) {
        if (parser.isSet(*option) && !commands.contains(command)) {
            QString owner = commands.join(QStringLiteral(", "));
            if (const qsizetype last = owner.lastIndexOf(u','); last >= 0)
                owner.replace(last, 1, QStringLiteral(" and"));
            return QStringLiteral("%1 belongs to %2").arg(QLatin1String(name), owner);
        }
    }
    return {};
}

// Sets the port from --port; false with the error when it names no port.
bool takePort(const QString &port, CommandLine &line, QString &error)
{
    if (port.isEmpty()) {
        error = QStringLiteral("--port is missing");
        return false;
    }
    if (isNetworkAddress(port)) {
        if (const QString problem = readNetworkAddress(port).problem; !problem.isEmpty()) {
            error = QStringLiteral("--port %1: %2").arg(port, problem);
            return false;
        }
    }
    const std::optional<int> number = portNumberOf(port);
    // A bare name could be a file here as well as a device in /dev; which one the operator
    // meant is asked rather than guessed.
    if (!number && !isNetworkAddress(port) && !port.contains(u'/') && !port.contains(u'\\')) {
        error = QStringLiteral("--port %1: not a port name; the ports are COM1 to COM16, or give "
                               "the device's path (/dev/%1, or ./%1 for one in this folder)")
                    .arg(port);
        return false;
    }
    if (number == 0) {
        error = QStringLiteral("--port %1: the ports are COM1 to COM16").arg(port);
        return false;
    }
    line.portNumber = number.value_or(0);
    line.port = number ? QStringLiteral("COM%1").arg(*number) : port;
    return true;
}

// Qt's own help and version go to a message box on Windows when it sees no console of the
// caller's, which leaves a pipe or a file empty; they are printed here on every platform.
[[noreturn]] void printAndExit(const QString &text)
{
    std::fputs(qUtf8Printable(text), stdout);
    std::exit(Success);
}

// Prints the whole usage, or a command's, and exits; a name that is no command is an error.
[[noreturn]] void showHelp(const QCommandLineParser &parser, const QString &command)
{
    if (command.isEmpty())
        printAndExit(parser.helpText());
    const QString text = commandHelp(command);
    if (text.isEmpty()) {
        printError(QStringLiteral("%1 is no command; the commands are read, write, diff and find")
                       .arg(quotedText(command)));
        std::exit(BadUsage);
    }
    printAndExit(text);
}

} // namespace

std::optional<CommandLine> parseCommandLine(const QStringList &arguments, QString &error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(programDescription());
    const Options options;
    parser.addOptions({options.model, options.port, options.output, options.summary,
                       options.channels, options.json, options.trace});
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("read, write, diff or find"));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("write, diff: the file"));
    const QCommandLineOption help = helpOption();
    const QCommandLineOption version = versionOption();
    parser.addOptions({help, version});
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    const QStringList positional = parser.positionalArguments();
    if (parser.isSet(help) || positional.value(0) == u"help")
        showHelp(parser,
                 positional.value(0) == u"help" ? positional.value(1) : positional.value(0));
    if (parser.isSet(version))
        printAndExit(QCoreApplication::applicationName() + u' ' +
                     QCoreApplication::applicationVersion() + u'\n');

    CommandLine line;
    line.command = positional.value(0);
    const bool takesFile = line.command == u"write" || line.command == u"diff";
    if (!takesFile && line.command != u"read" && line.command != u"find") {
        error = QStringLiteral("the command must be read, write, diff or find");
        return std::nullopt;
    }
    if (positional.size() != (takesFile ? 2 : 1)) {
        error = takesFile ? QStringLiteral("%1 takes one FILE").arg(line.command)
                : line.command == u"read"
                    ? QStringLiteral("read takes no FILE; -o names the output")
                    : QStringLiteral("find takes no FILE");
        return std::nullopt;
    }
    line.file = positional.value(1);
    const auto model = unitModelByName(parser.value(options.model));
    const bool anyModel = line.command == u"find" && !parser.isSet(options.model);
    if (!model && !anyModel) {
        error = QStringLiteral("--model must be 410a or 520a");
        return std::nullopt;
    }
    line.model = model ? &model->get() : nullptr;
    error = misplacedOption(parser, options, line.command);
    if (!error.isEmpty())
        return std::nullopt;
    if (line.command != u"find" && !takePort(parser.value(options.port), line, error))
        return std::nullopt;
    line.output = parser.value(options.output);
    line.summary = parser.value(options.summary);
    line.json = parser.isSet(options.json);
    line.trace = parser.isSet(options.trace);
    if (parser.isSet(options.channels)) {
        line.channels = parseChannelList(parser.value(options.channels));
        if (!line.channels) {
            error = QStringLiteral("--channels: %1 is not a list of channels 1 to 12 like 1,3-5")
                        .arg(quotedText(parser.value(options.channels)));
            return std::nullopt;
        }
    }
    return line;
}

} // namespace qm
