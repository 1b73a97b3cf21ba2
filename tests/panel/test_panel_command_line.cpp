#include "apps/PanelCommandLine.h"
#include "model/UnitModel.h"

#include <QRegularExpression>
#include <QTest>

using namespace qm;

// The panels answer help and version without a window, start on no arguments, and refuse
// anything else with the usage on standard error.
class TestPanelCommandLine : public QObject
{
    Q_OBJECT
private slots:
    void answers_data();
    void answers();
};

void TestPanelCommandLine::answers_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");        // an error's
    QTest::addColumn<QString>("textPattern"); // none: the panel starts

    const QString help =
        QStringLiteral("^Usage: qm520a-panel \\[options\\]\n.*QM-520A.*-h, --help.*-v, --version");
    const QString version = QStringLiteral("^qm520a-panel \\d+\\.\\d+\\.\\d+\\n$");
    const QString refusal = QStringLiteral("^qm520a-panel: .*%1.*\\n\\n.*--help");
    QTest::newRow("nothing") << QStringList() << 0 << QString();
    QTest::newRow("end of options") << QStringList{"--"} << 0 << QString();
    QTest::newRow("--help") << QStringList{"--help"} << 0 << help;
    QTest::newRow("-h") << QStringList{"-h"} << 0 << help;
    QTest::newRow("--version") << QStringList{"--version"} << 0 << version;
    QTest::newRow("-v") << QStringList{"-v"} << 0 << version;
    QTest::newRow("help wins") << QStringList{"-v", "-h"} << 0 << help;
    QTest::newRow("unknown option") << QStringList{"--port", "COM1"} << 2 << refusal.arg("port");
    QTest::newRow("Qt's own option")
        << QStringList{"-platform", "xcb"} << 2 << refusal.arg("platform");
    QTest::newRow("argument") << QStringList{"COM1"} << 2 << refusal.arg("COM1");
    QTest::newRow("argument after help") << QStringList{"--help", "x"} << 2 << refusal.arg("x");
}

void TestPanelCommandLine::answers()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, textPattern);

    arguments.prepend(QStringLiteral("/opt/qm/bin/qm520a-panel"));
    const std::optional<CommandLineAnswer> answer = answerCommandLine(arguments, qm520a());
    QCOMPARE(!answer.has_value(), textPattern.isEmpty());
    if (!answer)
        return;
    QCOMPARE(answer->exitCode, exitCode);
    QCOMPARE(answer->isError, exitCode != 0);
    const QRegularExpression pattern(textPattern, QRegularExpression::DotMatchesEverythingOption);
    QVERIFY2(pattern.match(answer->text).hasMatch(), qPrintable(answer->text));
}

QTEST_APPLESS_MAIN(TestPanelCommandLine)
#include "test_panel_command_line.moc"
