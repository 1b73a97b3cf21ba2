#include "tools/qmctl/FindCommand.h"

#include "link/PortWords.h"
#include "link/RoutedSerialPort.h"
#include "link/UnitFinder.h"
#include "process/Console.h"
#include "tools/qmctl/Output.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace qm {

namespace {

// The program the operator needs for a unit of another model.
QString answerLine(const UnitFinder::Finding &finding, const UnitModel *model)
{
    if (!model || finding.model == model)
        return finding.answerText();
    return finding.answerText() +
           QStringLiteral(" (ask it with --model %1)").arg(finding.model->shortName);
}

bool wanted(const UnitFinder::Finding &finding, const UnitModel *model)
{
    return finding.result == UnitFinder::Finding::Result::Answered &&
           (!model || finding.model == model);
}

bool report(const UnitFinder &finder, const UnitModel *model)
{
    bool found = false;
    QStringList silent;
    for (const UnitFinder::Finding &finding : finder.findings()) {
        switch (finding.result) {
        case UnitFinder::Finding::Result::Answered:
            found = found || wanted(finding, model);
            std::printf("%s\n", qPrintable(answerLine(finding, model)));
            break;
        case UnitFinder::Finding::Result::Silent:
            if (finding.heardBytes)
                printError(QStringLiteral("%1: bytes came, but no unit's reply at %2")
                               .arg(finding.portLabel(), finder.speedsTried()));
            else
                silent << finding.portLabel();
            break;
        case UnitFinder::Finding::Result::Refused:
            printError(QStringLiteral("%1: %2").arg(
                finding.portLabel(), refusalCure(finding.refusal, PortRetry::RunAgain)));
            break;
        case UnitFinder::Finding::Result::Held:
            break;
        }
    }
    if (!silent.isEmpty())
        printError(QStringLiteral("no answer at %1 from %2")
                       .arg(finder.speedsTried(), silent.join(QStringLiteral(", "))));
    if (finder.findings().isEmpty())
        printError(QStringLiteral("none of COM1 to COM16 has a device"));
    else if (!found)
        printError(QStringLiteral("no %1 answered on any port")
                       .arg(model ? model->name : QStringLiteral("unit")));
    return found;
}

QString resultName(const UnitFinder::Finding &finding)
{
    switch (finding.result) {
    case UnitFinder::Finding::Result::Answered:
        return QStringLiteral("answered");
    case UnitFinder::Finding::Result::Silent:
        return finding.heardBytes ? QStringLiteral("bytes") : QStringLiteral("silent");
    case UnitFinder::Finding::Result::Refused:
        return QStringLiteral("refused");
    case UnitFinder::Finding::Result::Held:
        break;
    }
    return {};
}

// find --json: {"speeds", "ports": [{"port", "device", "result", "model", "reason"}]}, a
// model only where one answered, a reason only where the port refused.
bool reportJson(const UnitFinder &finder, const UnitModel *model)
{
    bool found = false;
    QJsonArray ports;
    for (const UnitFinder::Finding &finding : finder.findings()) {
        QJsonObject port{{QStringLiteral("port"), QStringLiteral("COM%1").arg(finding.port)},
                         {QStringLiteral("device"), finding.device},
                         {QStringLiteral("result"), resultName(finding)}};
        if (finding.result == UnitFinder::Finding::Result::Answered)
            port.insert(QStringLiteral("model"), finding.model->name);
        if (finding.result == UnitFinder::Finding::Result::Refused)
            port.insert(QStringLiteral("reason"),
                        refusalCure(finding.refusal, PortRetry::RunAgain));
        found = found || wanted(finding, model);
        ports.append(port);
    }
    const QJsonObject root{{QStringLiteral("speeds"), finder.speedsTried()},
                           {QStringLiteral("ports"), ports}};
    std::fputs(QJsonDocument(root).toJson(QJsonDocument::Indented).constData(), stdout);
    return found;
}

} // namespace

bool findUnits(const UnitModel *model, const PortMap &map, bool json)
{
    const UnitModel &first = model ? *model : qm410a();
    const std::unique_ptr<SerialPort> port = makeSerialPort(map, first.baudRate);
    UnitFinder finder(*port, &AdapterInfo::ofDevice);
    const bool showProgress = standardErrorIsTerminal();
    if (showProgress)
        QObject::connect(
            &finder, &UnitFinder::asking, &finder, [](int number, const UnitModel &at) {
                std::fprintf(stderr, "\rqmctl: asking COM%d at %d baud ", number, at.baudRate);
            });
    QObject::connect(&finder, &UnitFinder::finished, qApp, &QCoreApplication::quit);
    finder.start(first);
    QCoreApplication::exec();
    if (showProgress)
        clearProgress();
    std::fflush(stdout);
    return json ? reportJson(finder, model) : report(finder, model);
}

} // namespace qm
