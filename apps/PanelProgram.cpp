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
#include <limits>

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

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

} // namespace

int runPanel(int argc, char *argv[], const WindowDescription &description)
{
    if (const auto answer = answerCommandLine(argumentList(argc, argv), *description.model)) {
        std::fputs(qUtf8Printable(answer->text), answer->isError ? stderr : stdout);
        return answer->exitCode;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(prefkeys::Organization));
    // The name keeps the preferences where they have always been; people and screen readers
    // see the window's caption.
    QApplication::setApplicationName(description.model->preferencesName);
    QApplication::setApplicationDisplayName(description.caption);
    installAccessibleControls();

    MainWindow window(description);
    PanelController controller(window, PanelPlatform::real(*description.model));
    SessionEnd sessionEnd;
    closeAtSessionEnd(sessionEnd, window, controller);
    window.show();
    closeWhenTestAsks(window);
    return app.exec();
}

} // namespace qm
