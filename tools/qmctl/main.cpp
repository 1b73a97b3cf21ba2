// qmctl: keeps a unit's setup in a file. Reads the channels that answer into a setup file,
// writes a setup file to a unit and checks what took, compares a unit with a file, and finds
// which port holds which unit.

#include "QmVersion.h"
#include "link/NetworkAddress.h"
#include "link/PortManager.h"
#include "link/PortMap.h"
#include "link/PortReader.h"
#include "link/PortWords.h"
#include "link/RoutedSerialPort.h"
#include "link/SetupSession.h"
#include "preferences/Preferences.h"
#include "preferences/PreferencesStore.h"
#include "process/Interruption.h"
#include "process/StandardOptions.h"
#include "protocol/ChannelList.h"
#include "protocol/QuotedText.h"
#include "protocol/ReplyReceiver.h"
#include "protocol/RoundTrip.h"
#include "protocol/SetupFile.h"
#include "tools/qmctl/CommandHelp.h"
#include "tools/qmctl/FindCommand.h"
#include "tools/qmctl/JsonReports.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

using namespace qm;

namespace {

constexpr int DrainTimeoutMs = 5000;

enum ExitCode
{
    Success = 0,
    Differences = 1,
    BadUsage = 2,
    UnitFailed = 3,
    Partial = 4,
};

void printError(const QString &text)
{
    std::fprintf(stderr, "qmctl: %s\n", qPrintable(text));
}

struct CommandLine
{
    QString command;
    const UnitModel *model = nullptr; // find: none when any model will do
    QString port;       // "COM3" for a port number however given, else the device or address
    int portNumber = 0; // 1..16 for a port number, 0 for a device path or address
    QString device;     // the path PORT stands for
    QString file;
    QString output;
    QString summary; // read: where the JSON summary goes
    bool json = false;
    std::optional<QList<int>> channels; // as --channels names them
};

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

// Exits the program for --help and --version, as their callers expect of any program.
std::optional<CommandLine> parseCommandLine(const QStringList &arguments, QString &error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(programDescription());
    const Options options;
    parser.addOptions({options.model, options.port, options.output, options.summary,
                       options.channels, options.json});
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

// The device map and [Ports] preferences the model's panel uses, and their problems.
PortMap panelPortMap(const UnitModel &model, QStringList &problems)
{
    IniPreferencesStore store(model.preferencesName);
    const PortOverrides overrides = Preferences(store).portOverrides();
    PortMap map(overrides.devices, overrides.withheld);
    for (const QString &problem : overrides.problems + map.problems()) {
        if (!problems.contains(problem))
            problems << problem;
    }
    return map;
}

PortMap panelPortMap(const UnitModel &model)
{
    QStringList problems;
    const PortMap map = panelPortMap(model, problems);
    for (const QString &problem : std::as_const(problems))
        printError(problem);
    return map;
}

// find without --model asks the ports as both panels map them; a port they map to different
// devices is not guessed at. Problems the panels share (the organization's file) are named once.
std::optional<PortMap> findPortMap(const UnitModel *model)
{
    if (model)
        return panelPortMap(*model);
    QStringList problems;
    const PortMap first = panelPortMap(qm410a(), problems);
    const PortMap second = panelPortMap(qm520a(), problems);
    for (const QString &problem : std::as_const(problems))
        printError(problem);
    QStringList apart;
    for (int port = PortManager::FirstPort; port <= PortManager::LastPort; ++port) {
        if (first.devicePath(port) != second.devicePath(port))
            apart << QStringLiteral("COM%1").arg(port);
    }
    if (apart.isEmpty())
        return first;
    printError(QStringLiteral("the QM-410A and QM-520A panels map %1 to different devices; name "
                              "the panel whose ports to ask with --model")
                   .arg(listOf(apart)));
    return std::nullopt;
}

// COMn goes through the panel's map; a device path stands in the map for port 1.
PortMap portMap(const CommandLine &line, int &portNumber)
{
    if (line.portNumber > 0) {
        portNumber = line.portNumber;
        return panelPortMap(*line.model);
    }
    portNumber = 1;
    PortMap map;
    map.setOverride(portNumber, line.port);
    return map;
}

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

// Every write and the close are checked: a full disk or a closed pipe must not pass for a
// backup.
bool writeStandardOutput(const QByteArray &contents, const QString &what)
{
    errno = 0;
    const std::size_t size = static_cast<std::size_t>(contents.size());
    bool written = std::fwrite(contents.constData(), 1, size, stdout) == size;
    written = std::fflush(stdout) == 0 && written;
    written = std::fclose(stdout) == 0 && written;
    if (!written)
        printError(QStringLiteral("%1 could not be written to standard output: %2")
                       .arg(what, QString::fromLocal8Bit(std::strerror(errno))));
    return written;
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    SaveFileOutput output;
    const WriteResult written = output.replaceWhole(path, contents);
    if (!written.ok)
        printError(QStringLiteral("%1: %2").arg(path, written.error));
    return written.ok;
}

// "COM3 (/dev/ttyUSB0)"; a device or address given outright is named once.
QString nameOfPort(const CommandLine &line)
{
    if (line.device.isEmpty() || line.device == line.port)
        return line.port;
    return QStringLiteral("%1 (%2)").arg(line.port, line.device);
}

// A device path or address stands in the map for port 1, yet is named as given.
PortManager portManager(SerialPort &port, const CommandLine &line)
{
    if (line.portNumber > 0)
        return PortManager(port, printError);
    PortManager manager(port);
    manager.setRefusalHandler([](const PortManager::Refusal &refusal) {
        printError(refusal.device + QStringLiteral(": ") +
                   refusalCure(refusal, PortRetry::RunAgain) + u'.');
    });
    return manager;
}

// A device server is connected to after the port has opened; the port bounds the wait.
bool reached(SerialPort &port, const CommandLine &line)
{
    if (port.isConnecting()) {
        QEventLoop loop;
        QObject::connect(&port, &SerialPort::connected, &loop, &QEventLoop::quit);
        QObject::connect(&port, &SerialPort::failed, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (port.isOpen() && !port.isConnecting() && port.failureText().isEmpty())
        return true;
    printError(QStringLiteral("%1: %2").arg(nameOfPort(line), port.failureText()));
    return false;
}

// The channels, the unit, the line and what came back; one per run.
class Run
{
public:
    Run(const CommandLine &line, SerialPort &port)
        : m_line(line), m_port(port), m_receiver(*line.model, m_table), m_reader(port, &m_receiver),
          m_session(*line.model, m_table, port, m_receiver, m_reader)
    {
        QObject::connect(&port, &SerialPort::failed, &m_session, &SetupSession::abandon);
        if (isatty(STDERR_FILENO))
            QObject::connect(&m_session, &SetupSession::progressed, &m_session, &showProgress);
        QObject::connect(&m_session, &SetupSession::finished, qApp, &QCoreApplication::quit);
    }

    const SetupSession &session() const { return m_session; }

    int read()
    {
        m_session.read(allChannelIndices());
        QCoreApplication::exec();
        const int code = readOutcome();
        if (!m_line.summary.isEmpty() && !writeFile(m_line.summary, readSummary()))
            return BadUsage;
        return code;
    }

    int write(const Setup &setup, const QList<int> &channels)
    {
        m_session.write(setup, channels, SetupSession::Probe::First);
        QCoreApplication::exec();
        // After a silent last channel its frames may still be on their way; closing the port
        // would drop them.
        if (!m_session.lineFailed())
            m_port.waitUntilSent(DrainTimeoutMs);
        if (lineFailed())
            return UnitFailed;
        int code = Success;
        if (!m_session.skipped().isEmpty()) {
            const QList<int> &skipped = m_session.skipped();
            printError(QStringLiteral("%1: %2 did not answer and %3 left as %4")
                           .arg(portName(), channelsPhrase(skipped),
                                agreeing(skipped, "was", "were"),
                                agreeing(skipped, "it is", "they are")));
            code = m_session.skipped().size() == channels.size() ? UnitFailed : Partial;
        }
        if (!m_session.silentChannels().isEmpty()) {
            const QList<int> &silent = m_session.silentChannels();
            printError(QStringLiteral("%1: no answer from %2 after the settings were sent; what "
                                      "%3 is not known")
                           .arg(portName(), channelsPhrase(silent),
                                agreeing(silent, "it holds", "they hold")));
            code = UnitFailed;
        }
        for (const FieldDifference &difference : m_session.notTaken()) {
            printError(describeDifference(difference) + QStringLiteral(": did not take"));
            code = UnitFailed;
        }
        return code;
    }

    int diff(const Setup &setup)
    {
        m_session.read(allChannelIndices());
        QCoreApplication::exec();
        if (lineFailed() || !anyAnswered())
            return UnitFailed;
        DiffFindings findings;
        QStringList lines;
        for (int index : allChannelIndices()) {
            const bool answered = m_session.answered().contains(index);
            if (setup.holds(index) && !answered) {
                findings.notAnswered << index;
                lines << QStringLiteral("channel %1: in the file, but the unit did not answer")
                             .arg(index + 1);
            } else if (!setup.holds(index) && answered) {
                findings.notInFile << index;
                lines << QStringLiteral("channel %1: the unit answered, but the file does not "
                                        "hold it")
                             .arg(index + 1);
            } else if (answered) {
                for (const FieldDifference &difference :
                     channelDifferences(setup, index, m_table[index])) {
                    findings.differences << difference;
                    lines << describeDifference(difference);
                }
            }
        }
        QByteArray report;
        if (m_line.json)
            report = diffJson(place(), m_line.file, findings);
        else
            for (const QString &line : std::as_const(lines))
                report += line.toUtf8() + '\n';
        if (!writeStandardOutput(report, QStringLiteral("the differences")))
            return BadUsage;
        return lines.isEmpty() ? Success : Differences;
    }

private:
    int readOutcome()
    {
        if (lineFailed() || !anyAnswered())
            return UnitFailed;
        const QList<int> answered = answeredInOrder();
        const Setup setup = Setup::of(*m_line.model, m_table, answered);
        int code = Success;
        if (!m_session.silentChannels().isEmpty()) {
            printError(QStringLiteral("%1: no answer from %2; the file holds %3")
                           .arg(portName(), channelsPhrase(m_session.silentChannels()),
                                channelsPhrase(answered)));
            code = Partial;
        }
        for (int index : answered) {
            for (const SettingProblem &problem : unrestorable(setup, index)) {
                printError(describeProblem(problem) +
                           QStringLiteral(": the file keeps it, but no frame can restore it"));
                code = Partial;
            }
            for (const SettingProblem &problem : unusual(setup, index))
                printError(QStringLiteral("note: ") + describeProblem(problem));
        }
        if (!writeSetup(setup))
            return BadUsage;
        return code;
    }

    QByteArray readSummary() const
    {
        ReadFindings findings{answeredInOrder(),
                              m_session.silentChannels(),
                              m_session.lineFailed(),
                              m_session.unreached(),
                              {}};
        const Setup setup = Setup::of(*m_line.model, m_table, findings.answered);
        for (int index : findings.answered)
            findings.unrestorable += unrestorable(setup, index);
        return readSummaryJson(place(), findings);
    }

    QList<int> answeredInOrder() const
    {
        QList<int> answered = m_session.answered();
        std::sort(answered.begin(), answered.end());
        return answered;
    }

    RunPlace place() const { return {*m_line.model, m_line.port, m_line.device}; }

    // Overwritten in place; the finished line is blanked so that messages start clean.
    static void showProgress(SetupSession::Step step, int done, int count)
    {
        static constexpr const char *Doing[] = {"reading", "writing", "checking"};
        if (done < count)
            std::fprintf(stderr, "\rqmctl: %s channel %d of %d ", Doing[static_cast<int>(step)],
                         done + 1, count);
        else
            std::fprintf(stderr, "\r%40s\r", "");
    }

    QString portName() const { return nameOfPort(m_line); }

    bool lineFailed() const
    {
        if (!m_session.lineFailed())
            return false;
        QString text = QStringLiteral("%1: the line failed").arg(portName());
        if (const QString why = m_port.failureText(); !why.isEmpty())
            text += QStringLiteral(" (%1)").arg(why);
        if (!m_session.answered().isEmpty())
            text += QStringLiteral("; %1 had answered").arg(channelsPhrase(m_session.answered()));
        const QList<int> &unreached = m_session.unreached();
        text += QStringLiteral("; %1 %2 not finished")
                    .arg(channelsPhrase(unreached), agreeing(unreached, "was", "were"));
        printError(text);
        return true;
    }

    bool anyAnswered() const
    {
        if (!m_session.answered().isEmpty())
            return true;
        printError(
            QStringLiteral("%1: no channel answered; is the unit on, on this port, and a %2?")
                .arg(portName(), m_line.model->name));
        return false;
    }

    bool writeSetup(const Setup &setup) const
    {
        if (m_line.output.isEmpty())
            return writeStandardOutput(setupJson(setup), QStringLiteral("the setup"));
        return writeFile(m_line.output, setupJson(setup));
    }

    const CommandLine &m_line;
    SerialPort &m_port;
    ChannelTable m_table;
    ReplyReceiver m_receiver;
    PortReader m_reader;
    SetupSession m_session;
};

// How far a write had gone, from the session's progress.
struct WriteProgress
{
    SetupSession::Step step = SetupSession::Step::Reading;
    qsizetype done = 0;
};

// Which channels hold the file's settings now, for a write that a signal ended halfway. The
// channel in hand has had its frames handed to the port once its read-back is asked for.
QString interruptedWrite(const SetupSession &session, const QList<int> &channels,
                         const WriteProgress &progress)
{
    QStringList said;
    const auto add = [&said](const QList<int> &some, const char *one, const char *many) {
        if (!some.isEmpty())
            said << channelsPhrase(some) + u' ' + agreeing(some, one, many);
    };
    add(session.answered(), "was written and read back", "were written and read back");
    add(session.silentChannels(), "was written but did not answer the read-back",
        "were written but did not answer the read-back");
    add(session.skipped(), "did not answer and was left as it is",
        "did not answer and were left as they are");
    QList<int> rest = channels.mid(progress.done);
    if (!rest.isEmpty() && progress.step != SetupSession::Step::Reading)
        said << QStringLiteral("channel %1 was being written and may hold part of its settings")
                    .arg(rest.takeFirst() + 1);
    add(rest, "was not written", "were not written");
    return said.join(QStringLiteral("; "));
}

// A signal ends the run where it stands; whoever sent it learns what the unit holds now.
void sayWhatWasDoneOnSignal(const Interruption &interruption, const Run &run,
                            const CommandLine &line, const QList<int> &channels)
{
    auto progress = std::make_shared<WriteProgress>();
    QObject::connect(&run.session(), &SetupSession::progressed, &interruption,
                     [progress](SetupSession::Step step, int done, int) {
                         *progress = {step, done};
                     });
    QObject::connect(&interruption, &Interruption::requested, &interruption, [&, progress] {
        if (isatty(STDERR_FILENO))
            std::fprintf(stderr, "\r%40s\r", "");
        const QString done = line.command == u"write"
                                 ? QStringLiteral(" during the write: ") +
                                       interruptedWrite(run.session(), channels, *progress)
                                 : QStringLiteral("; the unit was not changed");
        printError(QStringLiteral("ended by ") + interruption.signalName() + done);
        interruption.endAsAsked();
    });
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qmctl"));
    QCoreApplication::setApplicationVersion(QLatin1String(ProgramVersion));

    QString error;
    std::optional<CommandLine> line = parseCommandLine(app.arguments(), error);
    if (!line) {
        printError(error + QStringLiteral(" (qmctl --help tells more)"));
        return BadUsage;
    }
    // The whole file is checked before the port is even opened.
    std::optional<Setup> setup;
    QList<int> channels;
    if (!line->file.isEmpty()) {
        SetupReadResult read = readSetupFile(line->file, *line->model);
        if (!read.setup) {
            printError(read.error);
            return BadUsage;
        }
        setup = std::move(read.setup);
    }
    if (line->command == u"write") {
        const std::optional<QList<int>> chosen = channelsToWrite(*line, *setup);
        if (!chosen || !restorable(*setup, *chosen, line->file))
            return BadUsage;
        channels = *chosen;
    }

    if (line->command == u"find") {
        const std::optional<PortMap> map = findPortMap(line->model);
        if (!map)
            return BadUsage;
        return findUnits(line->model, *map, line->json) ? Success : UnitFailed;
    }
    int portNumber = 0;
    const std::unique_ptr<SerialPort> serial =
        makeSerialPort(portMap(*line, portNumber), line->model->baudRate);
    SerialPort &port = *serial;
    const bool opened = portManager(port, *line).openNamedPort(portNumber);
    line->device = port.deviceName();
    if (line->device.isEmpty())
        printError(QStringLiteral("%1 has no device: its [Ports] entry gives none or cannot be "
                                  "read")
                       .arg(line->port));
    if (!opened || !reached(port, *line))
        return UnitFailed;
    Run run(*line, port);
    Interruption interruption;
    sayWhatWasDoneOnSignal(interruption, run, *line, channels);
    interruption.install();
    if (line->command == u"read")
        return run.read();
    return line->command == u"write" ? run.write(*setup, channels) : run.diff(*setup);
}
