// qm-poll: asks a unit for the settings of all twelve channels, 300 ms apart as the panels
// do, and prints every record that comes back.
//   qm-poll --model 410a|520a --port DEVICE

#include "CommandSender.h"
#include "ReplyReceiver.h"
#include "SerialPortSink.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSerialPort>
#include <QTimer>

#include <cstdio>

using namespace qm;

namespace {

constexpr int RequestSpacingMs = 300;

void printLine(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

QString describeRecord(const UnitModel &model, const ChannelSettings &record)
{
    QString line;
    for (Field field : model.recordFields)
        line += QStringLiteral("%1=%2 ").arg(QLatin1String(fieldName(field))).arg(record[field]);
    for (int i = 0; i < TextLineCount; ++i)
        line += QStringLiteral("Text%1=\"%2\" ").arg(i + 1).arg(record.texts[i]);
    return line.trimmed();
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

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption modelOption(QStringLiteral("model"), QStringLiteral("410a or 520a"),
                                         QStringLiteral("model"));
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("serial device"),
                                        QStringLiteral("device"));
    parser.addOptions({modelOption, portOption});
    parser.process(app);
    const auto found = unitModelByName(parser.value(modelOption));
    if (!found || !parser.isSet(portOption)) {
        std::fputs(qPrintable(parser.helpText()), stderr);
        return 2;
    }
    const UnitModel &model = found->get();

    QSerialPort port(parser.value(portOption));
    if (!openPort(port, model)) {
        std::fprintf(stderr, "qm-poll: %s\n", qPrintable(port.errorString()));
        return 1;
    }
    ChannelTable table;
    SharedState state;
    ReplyReceiver receiver(model, table, state);
    SerialPortSink sink(port);
    CommandSender sender(model, table, sink);
    QObject::connect(&port, &QSerialPort::readyRead, &receiver, [&] { receiver.readFrom(port); });
    QObject::connect(&receiver, &ReplyReceiver::channelAnswered, &receiver, [&](int index) {
        printLine(QStringLiteral("channel %1: ").arg(index + 1) +
                  describeRecord(model, table[index]));
    });

    int next = 0;
    QTimer spacing;
    const auto requestNext = [&] {
        if (next == ChannelTable::size()) {
            printLine(QStringLiteral("ChannelsFound=%1").arg(state.channelsFound));
            app.quit();
            return;
        }
        sender.requestSettings(next++);
    };
    QObject::connect(&spacing, &QTimer::timeout, &app, requestNext);
    printLine(QStringLiteral("Polling %1 on %2").arg(model.name, parser.value(portOption)));
    requestNext();
    spacing.start(RequestSpacingMs);
    return app.exec();
}
