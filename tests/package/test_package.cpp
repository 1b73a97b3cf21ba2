#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray output;
};

// Runs a program to its end with nothing of the test's own environment that could give it a
// display, a settings folder or a platform: what a shell on a fresh machine would pass.
Run run(const QString &program, const QStringList &arguments, int timeoutMs = 60000)
{
    QProcess process;
    QProcessEnvironment environment;
    environment.insert("PATH", qEnvironmentVariable("PATH"));
    environment.insert("HOME", QDir::tempPath());
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit)
        return {-1, process.readAll()};
    return {process.exitCode(), process.readAll()};
}

const QStringList Panels = {QStringLiteral("qm410a-panel"), QStringLiteral("qm520a-panel")};
const QStringList Guides = {QStringLiteral("usr/share/doc/qm-control-panel/README.md"),
                            QStringLiteral("usr/share/doc/qm-control-panel/docs/serial-ports.md")};

// Long options as --help shows them, or as a manual page's text does.
QStringList longOptions(const QString &text)
{
    QStringList options;
    static const QRegularExpression pattern(QStringLiteral("--([a-z][a-z-]*)"));
    for (const QRegularExpressionMatch &match : pattern.globalMatch(text))
        options.append(match.captured(1));
    options.removeDuplicates();
    options.sort();
    return options;
}

} // namespace

// The Debian package as a user gets it: built by CPack from this tree, unpacked with
// dpkg-deb, its programs run from there without a display.
class TestPackage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void holdsItsFilesAndNothingElse();
    void programRunsAndItsPageMatchesHelp_data();
    void programRunsAndItsPageMatchesHelp();
    void fileSays_data();
    void fileSays();
    void guidesShowTheirPictures_data();
    void guidesShowTheirPictures();
    void checkerFindsNothing_data();
    void checkerFindsNothing();

private:
    QString unpacked(const QString &path) const { return m_work.filePath("root/" + path); }
    QString unpackedText(const QString &path) const;
    QString metadata(const QString &panel) const
    {
        return "usr/share/metainfo/org.qm_control_panel." + QString(panel).replace(u'-', u'_') +
               ".metainfo.xml";
    }

    QTemporaryDir m_work;
    QString m_package;
};

void TestPackage::initTestCase()
{
    const Run cpack = run(QStringLiteral(QM_CPACK_COMMAND),
                          {"-G", "DEB", "--config",
                           QStringLiteral(QM_BUILD_DIR "/CPackConfig.cmake"), "-B", m_work.path()},
                          540000);
    QVERIFY2(cpack.exitCode == 0, cpack.output.constData());
    const QStringList debs = QDir(m_work.path()).entryList({"*.deb"}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    m_package = m_work.filePath(debs.constFirst());

    QCOMPARE(run("dpkg-deb", {"-x", m_package, m_work.filePath("root")}).exitCode, 0);
}

// A file of the unpacked package as text, uncompressed; a manual page with roff's minus signs as
// plain hyphens and its font changes dropped; "control": the package's control fields.
QString TestPackage::unpackedText(const QString &path) const
{
    if (path == u"control")
        return QString::fromUtf8(run("dpkg-deb", {"--field", m_package}).output);
    QString text = QString::fromUtf8(run("gzip", {"-dcf", unpacked(path)}).output);
    static const QRegularExpression fontChange(QStringLiteral("\\\\f[BIRP]"));
    if (path.contains(u"/man/"))
        text.replace(QStringLiteral("\\-"), QStringLiteral("-")).remove(fontChange);
    return text;
}

// No tests, tools of the build, unstripped extras or pointer files beside the programs.
void TestPackage::holdsItsFilesAndNothingElse()
{
    QStringList expected = {"usr/share/qm-control-panel/CrossHair.cur",
                            "usr/share/qm-control-panel/Blank.cur",
                            "usr/share/doc/qm-control-panel/copyright",
                            "usr/share/doc/qm-control-panel/changelog.Debian.gz"};
    for (const QString &program : QStringLiteral(QM_PROGRAMS).split(u','))
        expected << "usr/bin/" + program << "usr/share/man/man1/" + program + ".1.gz";
    for (const QString &panel : Panels)
        expected << "usr/share/applications/" + panel + ".desktop" << metadata(panel)
                 << "usr/share/icons/hicolor/24x24/apps/" + panel + ".png"
                 << "usr/share/icons/hicolor/32x32/apps/" + panel + ".png"
                 << "usr/share/icons/hicolor/scalable/apps/" + panel + ".svg";
    // The guides, and every picture in the folder the README sends its reader to.
    expected << Guides;
    for (const QString &picture :
         QDir(QStringLiteral(QM_SOURCE_DIR "/docs")).entryList({"*.png"}, QDir::Files))
        expected << "usr/share/doc/qm-control-panel/docs/" + picture;
    expected.sort();
    QStringList files =
        QString::fromUtf8(
            run("find", {unpacked({}), "-not", "-type", "d", "-printf", "%P\n"}).output)
            .split(u'\n', Qt::SkipEmptyParts);
    files.sort();
    QCOMPARE(files, expected);
    // Side by side in a menu the two programs are told apart by their icons.
    const QString icons = unpacked("usr/share/icons/hicolor/");
    for (const QString icon : {"24x24/apps/%1.png", "32x32/apps/%1.png", "scalable/apps/%1.svg"})
        QCOMPARE(
            run("cmp", {"-s", icons + icon.arg(Panels[0]), icons + icon.arg(Panels[1])}).exitCode,
            1);
}

void TestPackage::programRunsAndItsPageMatchesHelp_data()
{
    QTest::addColumn<QString>("program");
    for (const QString &program : QStringLiteral(QM_PROGRAMS).split(u','))
        QTest::newRow(qPrintable(program)) << program;
}

// Started from the unpacked copy with no display, each answers its version and is stripped,
// and its manual page describes every option its --help names.
void TestPackage::programRunsAndItsPageMatchesHelp()
{
    QFETCH(QString, program);
    const QString path = unpacked("usr/bin/" + program);
    const QString version = unpackedText("control").section("\nVersion: ", 1).section(u'-', 0, 0);
    QCOMPARE(QString::fromUtf8(run(path, {"--version"}).output), program + u' ' + version + u'\n');

    const QString page = unpackedText("usr/share/man/man1/" + program + ".1.gz");
    // Every placeholder filled in: no @NAME@, and the installed folder in place of "prefix/"
    // (".IR prefix /share" in roff).
    const QString unfilled = QRegularExpression("prefix ?/|@[A-Z_]+@").match(page).captured();
    QVERIFY2(unfilled.isEmpty(), qPrintable(unfilled));
    const QStringList helpOptions = longOptions(QString::fromUtf8(run(path, {"--help"}).output));
    QVERIFY(helpOptions.contains("version"));
    // Each option is described in the page's OPTIONS section, not only named in its synopsis.
    QCOMPARE(longOptions(page.section("\n.SH OPTIONS\n", 1).section("\n.SH ", 0, 0)), helpOptions);
}

void TestPackage::fileSays_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("phrase"); // found in the file's text after a line end
    const auto says = [](const QString &path, const QString &phrase) {
        QTest::addRow("%s: %s", qPrintable(path.section(u'/', -1)), qPrintable(phrase))
            << path << phrase;
    };
    const QString maintainer = QStringLiteral(QM_PACKAGE_MAINTAINER);
    // The one address CMake states stands wherever one is asked for.
    says("control", "\nMaintainer: " + maintainer + "\n");
    // Found by dpkg-shlibdeps from the programs themselves, not typed in.
    for (const char *library : {" libqt6widgets6 (>= ", " libqt6serialport6 (>= "})
        says("control", library);
    // Debian's machine-readable form, with the MIT text.
    for (const QString &part :
         {QStringLiteral("\nLicense: MIT\n\nLicense: MIT\n Permission is hereby"),
          "\nUpstream-Contact: " + maintainer + "\n"})
        says("usr/share/doc/qm-control-panel/copyright", part);
    says("usr/share/doc/qm-control-panel/changelog.Debian.gz", "\n -- " + maintainer + "  ");
    for (const QString &panel : Panels) {
        // The entry starts the installed program and shows its icon.
        const QString name = panel == u"qm410a-panel" ? "QM-410A" : "QM-520A";
        for (const QString &line : {"Name=" + name + " Control Panel", "Exec=/usr/bin/" + panel,
                                    "Icon=" + panel, "StartupWMClass=" + panel})
            says("usr/share/applications/" + panel + ".desktop", '\n' + line + '\n');
        // What an operator looks for in a manual page: the panels' menu and keys and the
        // installed pointer files.
        for (const char *phrase : {"Save Setup...", "Load Setup...", "Ctrl+S", "Ctrl+O",
                                   "/usr/share/qm-control-panel/CrossHair.cur"})
            says("usr/share/man/man1/" + panel + ".1.gz", phrase);
    }
    // The preferences qmctl reads its ports from.
    says("usr/share/man/man1/qmctl.1.gz", "$XDG_CONFIG_HOME/qm-control-panel/VT-540A.ini");
}

void TestPackage::fileSays()
{
    QFETCH(QString, path);
    QFETCH(QString, phrase);
    QVERIFY2(('\n' + unpackedText(path)).contains(phrase),
             qPrintable(phrase + " is not in " + path));
}

// Each picture a guide shows is there for the installed guide, at the place its link names.
void TestPackage::guidesShowTheirPictures_data()
{
    QTest::addColumn<QString>("guide");
    QTest::addColumn<QString>("picture");
    static const QRegularExpression shown(QStringLiteral("!\\[[^]]*\\]\\(([^)]+)\\)"));
    for (const QString &guide : Guides) {
        const QString text = unpackedText(guide);
        for (const QRegularExpressionMatch &match : shown.globalMatch(text))
            QTest::addRow("%s: %s", qPrintable(guide.section(u'/', -1)),
                          qPrintable(match.captured(1)))
                << guide << match.captured(1);
    }
}

void TestPackage::guidesShowTheirPictures()
{
    QFETCH(QString, guide);
    QFETCH(QString, picture);
    QVERIFY(QFileInfo(QFileInfo(unpacked(guide)).dir().filePath(picture)).isFile());
}

void TestPackage::checkerFindsNothing_data()
{
    QTest::addColumn<QStringList>("command");
    // Debian's own checker: nothing a package must not have (errors) or should not (warnings).
    // The one tag left out asks a first upload to Debian's archive to close its "intent to
    // package" bug; this package is not uploaded there.
    QTest::newRow("lintian") << QStringList{
        "lintian", "--fail-on", "error,warning", "--suppress-tags", "initial-upload-closes-no-bugs",
        m_package};
    for (const QString &panel : Panels) {
        QTest::addRow("%s entry", qPrintable(panel)) << QStringList{
            "desktop-file-validate", unpacked("usr/share/applications/" + panel + ".desktop")};
        QTest::addRow("%s metadata", qPrintable(panel))
            << QStringList{"appstreamcli", "validate", "--no-net", unpacked(metadata(panel))};
    }
}

void TestPackage::checkerFindsNothing()
{
    QFETCH(QStringList, command);
    if (QStandardPaths::findExecutable(command[0]).isEmpty())
        QSKIP(qPrintable(command[0] + " is not installed"));
    const Run result = run(command[0], command.mid(1), 300000);
    QVERIFY2(result.exitCode == 0, result.output.constData());
}

QTEST_GUILESS_MAIN(TestPackage)
#include "test_package.moc"
