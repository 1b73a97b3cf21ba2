#include "PanelProgram.h"

#include "MainWindow.h"
#include "NumberText.h"
#include "PanelCommandLine.h"
#include "PanelController.h"
#include "PreferenceKeys.h"

#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace qm {

namespace {

// For tests of an installed program only: QM_PANEL_QUIT_AFTER_MS=<ms> closes the window that
// long after it is shown, as the Close button would, so that what a close writes (the
// settings file, the window's place) can be checked from outside. A signal would end the
// program without its close. Unset, or no number, it does nothing.
void closeWhenTestAsks(QWidget &window)
{
    const std::optional<double> ms =
        parseLeadingNumber(qEnvironmentVariable("QM_PANEL_QUIT_AFTER_MS"));
    if (!ms || !(*ms >= 0))
        return;
    const double delay = std::min(roundHalfEven(*ms), double(std::numeric_limits<int>::max()));
    QTimer::singleShot(static_cast<int>(delay), &window, &QWidget::close);
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
    QApplication::setApplicationName(description.model->preferencesName);

    MainWindow window(description);
    PanelController controller(window, PanelPlatform::real(*description.model));
    window.show();
    closeWhenTestAsks(window);
    return app.exec();
}

} // namespace qm
