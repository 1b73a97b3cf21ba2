#include "apps/PanelProgram.h"

#include "apps/PanelCommandLine.h"
#include "model/NumberText.h"
#include "panel/session/PanelController.h"
#include "panel/window/AccessibleControls.h"
#include "panel/window/MainWindow.h"
#include "preferences/PreferenceKeys.h"
#include "process/SessionEnd.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <utility>

namespace qm {

namespace {

// For tests of an installed program only: QM_PANEL_QUIT_AFTER_MS=<ms> closes the window that
// long after it is shown, as the Close button would, so that what a close writes (the
// settings file, the window's place) can be checked from outside. Unset, or no number, it does
// nothing.
void closeWhenTestAsks(QWidget &window)
{
    const std::optional<double> ms =
        parseLeadingNumber(qEnvironmentVariable("QM_PANEL_QUIT_AFTER_MS"));
    if (!ms || !(*ms >= 0))
        return;
    const double delay = std::min(roundHalfEven(*ms), double(std::numeric_limits<int>::max()));
    QTimer::singleShot(static_cast<int>(delay), &window, &QWidget::close);
}

// The window's close waits behind an open dialog or message box. A widget that refuses to
// close, or stays the modal one, ends the loop.
void closeModalWidgets(const QWidget &window)
{
    const QWidget *previous = nullptr;
    while (QWidget *modal = QApplication::activeModalWidget()) {
        if (modal == previous || modal == &window || !modal->close())
            return;
        previous = modal;
    }
}

// At the end of the session the panel ends as its Close button ends it, so that the settings
// file and the window's place are written, except that it asks nothing: a message box would
// keep it running, holding the port, with no one there to answer. The window closes once a
// closed dialog's own event loop has returned, or at once when the process is about to end.
void closeAtSessionEnd(SessionEnd &sessionEnd, QWidget &window, PanelController &controller)
{
    if (!sessionEnd.install())
        std::fputs("Cannot watch for the end of the session: it ends the panel without its "
                   "close\n",
                   stderr);
    QObject::connect(&sessionEnd, &SessionEnd::endRequested, &window, [&window, &controller] {
        controller.endWithoutQuestions();
        closeModalWidgets(window);
        QMetaObject::invokeMethod(&window, &QWidget::close, Qt::QueuedConnection);
    });
    QObject::connect(&sessionEnd, &SessionEnd::endingNow, &window, [&window, &controller] {
        controller.endWithoutQuestions();
        closeModalWidgets(window);
        if (window.isVisible())
            window.close();
    });
}

// Qt ends a program whose window system cannot be reached (no display, or one that refuses it)
// with words for developers and an abort. While the application starts, that end is told in the
// operator's words and the program exits 1 as a refused start does; what Qt said before it
// (which display it tried) follows as the reason, and is passed on if the start succeeds.
struct StartMessages
{
    static inline QtMessageHandler previous = nullptr;
    static inline const char *program = nullptr;
    static inline QList<std::pair<QtMsgType, QString>> held;

    static void take(QtMsgType type, const QMessageLogContext &, const QString &message)
    {
        if (type != QtFatalMsg) {
            held.append({type, message});
            return;
        }
        std::fprintf(
            stderr,
            "%s needs a display to show its window and could not open one%s; start it "
            "in a desktop session, where DISPLAY or WAYLAND_DISPLAY names the display.\n",
            program,
            held.isEmpty() ? "" : qUtf8Printable(" (" + held.constFirst().second.trimmed() + u')'));
        std::fflush(stderr);
        std::_Exit(1);
    }
};

std::unique_ptr<QApplication> startApplication(int &argc, char *argv[], const char *programName)
{
    StartMessages::program = programName;
    StartMessages::previous = qInstallMessageHandler(&StartMessages::take);
    auto app = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(StartMessages::previous);
    for (const auto &[type, message] : std::as_const(StartMessages::held))
        qt_message_output(type, QMessageLogContext(), message);
    StartMessages::held.clear();
    return app;
}

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

int runPanel(int argc, char *argv[], const char *programName, const WindowDescription &description)
{
    if (const auto answer = answerCommandLine(argumentList(argc, argv), *description.model)) {
        std::fputs(qUtf8Printable(answer->text), answer->isError ? stderr : stdout);
        return answer->exitCode;
    }
    const std::unique_ptr<QApplication> app = startApplication(argc, argv, programName);
    QApplication::setOrganizationName(QString::fromLatin1(prefkeys::Organization));
    // Docks and task bars group the window by the program's name (its X11 class, its Wayland
    // application id, the menu entry's StartupWMClass); people and screen readers see the
    // window's caption. The preferences keep their own name, given where they are opened.
    QApplication::setApplicationName(QString::fromLatin1(programName));
    QApplication::setDesktopFileName(QString::fromLatin1(programName));
    QApplication::setApplicationDisplayName(description.caption);
    installAccessibleControls();

    MainWindow window(description);
    PanelController controller(window, PanelPlatform::real(*description.model));
    SessionEnd sessionEnd;
    closeAtSessionEnd(sessionEnd, window, controller);
    window.show();
    closeWhenTestAsks(window);
    return QApplication::exec();
}

} // namespace qm
