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
    QTest::addColumn<bool>("starts");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("isError");
    QTest::addColumn<QString>("textPattern");

    const QString help =
        QStringLiteral("^Usage: qm520a-panel \\[options\\]\n.*QM-520A.*-h, --help.*-v, --version");
    const QString version = QStringLiteral("^qm520a-panel \\d+\\.\\d+\\.\\d+\\n$");
    const QString refusal = QStringLiteral("^qm520a-panel: .*%1.*\\n\\n.*--help");
    QTest::newRow("nothing") << QStringList() << true << 0 << false << QString();
    QTest::newRow("end of options") << QStringList{"--"} << true << 0 << false << QString();
    QTest::newRow("--help") << QStringList{"--help"} << false << 0 << false << help;
    QTest::newRow("-h") << QStringList{"-h"} << false << 0 << false << help;
    QTest::newRow("--version") << QStringList{"--version"} << false << 0 << false << version;
    QTest::newRow("-v") << QStringList{"-v"} << false << 0 << false << version;
    QTest::newRow("help wins") << QStringList{"-v", "-h"} << false << 0 << false << help;
    QTest::newRow("unknown option")
        << QStringList{"--port", "COM1"} << false << 2 << true << refusal.arg("port");
    QTest::newRow("Qt's own option")
        << QStringList{"-platform", "xcb"} << false << 2 << true << refusal.arg("platform");
    QTest::newRow("argument") << QStringList{"COM1"} << false << 2 << true << refusal.arg("COM1");
    QTest::newRow("argument after help")
        << QStringList{"--help", "x"} << false << 2 << true << refusal.arg("x");
}

void TestPanelCommandLine::answers()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, starts);
    QFETCH(int, exitCode);
    QFETCH(bool, isError);
    QFETCH(QString, textPattern);

    arguments.prepend(QStringLiteral("/opt/qm/bin/qm520a-panel"));
    const std::optional<CommandLineAnswer> answer = answerCommandLine(arguments, qm520a());
    QCOMPARE(!answer.has_value(), starts);
    if (starts)
        return;
    QCOMPARE(answer->exitCode, exitCode);
    QCOMPARE(answer->isError, isError);
    const QRegularExpression pattern(textPattern, QRegularExpression::DotMatchesEverythingOption);
    QVERIFY2(pattern.match(answer->text).hasMatch(), qPrintable(answer->text));
}

QTEST_APPLESS_MAIN(TestPanelCommandLine)
#include "test_panel_command_line.moc"
