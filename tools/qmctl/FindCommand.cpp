#include "tools/qmctl/FindCommand.h"

#include "link/PortWords.h"
#include "link/RoutedSerialPort.h"
#include "link/UnitFinder.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

namespace qm {

namespace {

void printError(const QString &text)
{
    std::fprintf(stderr, "qmctl: %s\n", qPrintable(text));
}

// The program the operator needs for a unit of another model.
QString answerLine(const UnitFinder::Finding &finding, const UnitModel &model)
{
    if (finding.model == &model)
        return finding.answerText();
    return finding.answerText() +
           QStringLiteral(" (ask it with --model %1)").arg(finding.model->shortName);
}

bool report(const UnitFinder &finder, const UnitModel &model)
{
    bool found = false;
    QStringList silent;
    for (const UnitFinder::Finding &finding : finder.findings()) {
        switch (finding.result) {
        case UnitFinder::Finding::Result::Answered:
            found = found || finding.model == &model;
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
        printError(QStringLiteral("no %1 answered on any port").arg(model.name));
    return found;
}

} // namespace

bool findUnits(const UnitModel &model, const PortMap &map)
{
    const std::unique_ptr<SerialPort> port = makeSerialPort(map, model.baudRate);
    UnitFinder finder(*port, &AdapterInfo::ofDevice);
    const bool showProgress = isatty(STDERR_FILENO);
    if (showProgress)
        QObject::connect(
            &finder, &UnitFinder::asking, &finder, [](int number, const UnitModel &at) {
                std::fprintf(stderr, "\rqmctl: asking COM%d at %d baud ", number, at.baudRate);
            });
    QObject::connect(&finder, &UnitFinder::finished, qApp, &QCoreApplication::quit);
    finder.start(model);
    QCoreApplication::exec();
    if (showProgress)
        std::fprintf(stderr, "\r%40s\r", "");
    std::fflush(stdout);
    return report(finder, model);
}

} // namespace qm
