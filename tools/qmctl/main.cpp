// qmctl: keeps a unit's setup in a file. Reads the twelve channels into a setup file,
// writes a setup file to a unit and checks what took, and compares a unit with a file.

#include "QmVersion.h"
#include "link/PortMap.h"
#include "link/SetupSession.h"
#include "panel/preferences/Preferences.h"
#include "panel/preferences/PreferencesStore.h"
#include "process/StandardOptions.h"
#include "protocol/ReplyReceiver.h"
#include "protocol/SetupFile.h"
#include "tools/common/SerialPortSink.h"
#include "tools/qmctl/ChannelList.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QRegularExpression>
#include <QSerialPort>

#include <cstdio>
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
};

const char *const Description =
    R"(Backs up, restores and compares the setup of a QM-410A or QM-520A unit.

  qmctl read  --model 410a|520a --port PORT [-o FILE]
      Reads the twelve channels and writes the setup file (standard output without -o).
  qmctl write --model 410a|520a --port PORT FILE [--channels LIST]
      Sends each chosen channel's settings as the panel's Update button does, reads the
      channels back and names every field that did not take.
  qmctl diff  --model 410a|520a --port PORT FILE
      Prints, per channel, each field that differs between the unit and the file.

PORT is COM1..COM16, resolved through the same device map and [Ports] preferences as the
panels, or a device path. LIST is like 1,3-5. FILE is a setup file written by qmctl read or
by a panel's "Save Setup...", or for the QM-520A the settings.txt the panel writes at close.
A file is checked whole before anything is sent.

Back up a unit and restore it to another:
  qmctl read  --model 520a --port COM1 -o site-a.json
  qmctl write --model 520a --port COM1 site-a.json

Exit codes: 0 success, 1 differences found, 2 bad usage or bad file, 3 the port could not be
opened, the unit did not answer or did not take a setting.)";

void printError(const QString &text)
{
    std::fprintf(stderr, "qmctl: %s\n", qPrintable(text));
}

struct CommandLine
{
    QString command;
    const UnitModel *model = nullptr;
    QString port;
    QString device; // the path PORT stands for
    QString file;
    QString output;
    QList<int> channels;
};

struct Options
{
    QCommandLineOption model{QStringLiteral("model"), QStringLiteral("Unit model: 410a or 520a."),
                             QStringLiteral("model")};
    QCommandLineOption port{QStringLiteral("port"), QStringLiteral("COMn or a device path."),
                            QStringLiteral("PORT")};
    QCommandLineOption output{{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("read: the setup file to write."),
                              QStringLiteral("FILE")};
    QCommandLineOption channels{QStringLiteral("channels"),
                                QStringLiteral("write: the channels to send, like 1,3-5."),
                                QStringLiteral("LIST")};
};

// Exits the program for --help and --version, as their callers expect of any program.
std::optional<CommandLine> parseCommandLine(const QStringList &arguments, QString &error)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(Description));
    const Options options;
    parser.addOptions({options.model, options.port, options.output, options.channels});
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("read, write or diff"));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("write, diff: the file"));
    const QCommandLineOption help = helpOption();
    const QCommandLineOption version = versionOption();
    parser.addOptions({help, version});
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return std::nullopt;
    }
    if (parser.isSet(help))
        parser.showHelp(Success);
    if (parser.isSet(version))
        parser.showVersion();

    CommandLine line;
    const QStringList positional = parser.positionalArguments();
    line.command = positional.value(0);
    const bool takesFile = line.command == u"write" || line.command == u"diff";
    if (!takesFile && line.command != u"read") {
        error = QStringLiteral("the command must be read, write or diff");
        return std::nullopt;
    }
    if (positional.size() != (takesFile ? 2 : 1)) {
        error = takesFile ? QStringLiteral("%1 takes one FILE").arg(line.command)
                          : QStringLiteral("read takes no FILE; -o names the output");
        return std::nullopt;
    }
    line.file = positional.value(1);
    const auto model = unitModelByName(parser.value(options.model));
    if (!model) {
        error = QStringLiteral("--model must be 410a or 520a");
        return std::nullopt;
    }
    line.model = &model->get();
    line.port = parser.value(options.port);
    if (line.port.isEmpty()) {
        error = QStringLiteral("--port is missing");
        return std::nullopt;
    }
    line.output = parser.value(options.output);
    if (!line.output.isEmpty() && line.command != u"read") {
        error = QStringLiteral("-o belongs to read");
        return std::nullopt;
    }
    if (parser.isSet(options.channels) && line.command != u"write") {
        error = QStringLiteral("--channels belongs to write");
        return std::nullopt;
    }
    const auto channels = parseChannelList(parser.value(options.channels));
    if (parser.isSet(options.channels) && !channels) {
        error = QStringLiteral("--channels: %1 is not a list of channels 1 to 12 like 1,3-5")
                    .arg(quotedText(parser.value(options.channels)));
        return std::nullopt;
    }
    line.channels = parser.isSet(options.channels) ? *channels : allChannelIndices();
    return line;
}

// COMn goes through the device map and [Ports] preferences the model's panel uses.
QString devicePath(const CommandLine &line)
{
    static const QRegularExpression comPort(QStringLiteral("^COM([0-9]+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = comPort.match(line.port);
    if (!match.hasMatch())
        return line.port;
    IniPreferencesStore store(line.model->preferencesName);
    const PortOverrides overrides = Preferences(store).portOverrides();
    const PortMap map(overrides.devices, overrides.withheld);
    return map.devicePath(match.captured(1).toInt());
}

bool openPort(QSerialPort &port, const UnitModel &model)
{
    port.setBaudRate(model.baudRate);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    return port.open(QIODevice::ReadWrite);
}

// The channels, the unit, the line and what came back; one per run.
class Run
{
public:
    Run(const CommandLine &line, QSerialPort &port)
        : m_line(line), m_port(port), m_receiver(*line.model, m_table), m_sink(port),
          m_session(*line.model, m_table, m_sink, m_receiver)
    {
        QObject::connect(&port, &QSerialPort::readyRead, &m_receiver,
                         [this] { m_receiver.readFrom(m_port); });
        if (isatty(STDERR_FILENO))
            QObject::connect(&m_session, &SetupSession::progressed, &m_session, &showProgress);
        QObject::connect(&m_session, &SetupSession::finished, qApp, &QCoreApplication::quit);
    }

    int read()
    {
        m_session.read(m_line.channels);
        QCoreApplication::exec();
        if (!answered())
            return UnitFailed;
        if (m_line.output.isEmpty()) {
            const QByteArray json = setupJson(Setup::of(*m_line.model, m_table, m_line.channels));
            std::fwrite(json.constData(), 1, static_cast<std::size_t>(json.size()), stdout);
            if (std::fflush(stdout) == 0)
                return Success;
            printError(QStringLiteral("the setup could not be written to standard output"));
            return BadUsage;
        }
        SaveFileOutput output;
        const WriteResult written = writeSetupFile(
            m_line.output, Setup::of(*m_line.model, m_table, m_line.channels), output);
        if (!written.ok) {
            printError(QStringLiteral("%1: %2").arg(m_line.output, written.error));
            return BadUsage;
        }
        return Success;
    }

    int write(const Setup &setup)
    {
        m_session.write(setup, m_line.channels);
        QCoreApplication::exec();
        // After a silent last channel its frames may still be on their way; closing the port
        // would drop them.
        while (m_port.bytesToWrite() > 0 && m_port.waitForBytesWritten(DrainTimeoutMs)) {
        }
        for (const FieldDifference &difference : m_session.notTaken())
            printError(describeDifference(difference) + QStringLiteral(": did not take"));
        return answered() && m_session.notTaken().isEmpty() ? Success : UnitFailed;
    }

    int diff(const Setup &setup)
    {
        m_session.read(m_line.channels);
        QCoreApplication::exec();
        if (!answered())
            return UnitFailed;
        bool differs = false;
        for (int index : m_line.channels) {
            for (const FieldDifference &difference :
                 channelDifferences(setup, index, m_table[index])) {
                std::printf("%s\n", qPrintable(describeDifference(difference)));
                differs = true;
            }
        }
        return differs ? Differences : Success;
    }

private:
    // Overwritten in place; the finished line is blanked so that messages start clean.
    static void showProgress(int done, int count)
    {
        if (done < count)
            std::fprintf(stderr, "\rqmctl: channel %d of %d ", done + 1, count);
        else
            std::fprintf(stderr, "\r%30s\r", "");
    }

    bool answered() const
    {
        if (m_session.silentChannels().isEmpty())
            return true;
        printError(
            QStringLiteral("%1 (%2): no answer from channel(s) %3")
                .arg(m_line.port, m_line.device, channelNumbers(m_session.silentChannels())));
        return false;
    }

    const CommandLine &m_line;
    QSerialPort &m_port;
    ChannelTable m_table;
    ReplyReceiver m_receiver;
    SerialPortSink m_sink;
    SetupSession m_session;
};

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
    if (!line->file.isEmpty()) {
        SetupReadResult read = readSetupFile(line->file, *line->model);
        if (!read.setup) {
            printError(read.error);
            return BadUsage;
        }
        setup = std::move(read.setup);
    }

    line->device = devicePath(*line);
    QSerialPort port(line->device);
    if (!openPort(port, *line->model)) {
        printError(QStringLiteral("%1 (%2): cannot be opened: %3")
                       .arg(line->port, line->device, port.errorString()));
        return UnitFailed;
    }
    Run run(*line, port);
    if (line->command == u"read")
        return run.read();
    return line->command == u"write" ? run.write(*setup) : run.diff(*setup);
}
