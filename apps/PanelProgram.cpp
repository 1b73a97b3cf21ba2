#include "PanelProgram.h"

#include "MainWindow.h"
#include "PanelController.h"
#include "PreferenceKeys.h"

#include <QApplication>

namespace qm {

int runPanel(int argc, char *argv[], const WindowDescription &description)
{
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(prefkeys::Organization));
    QApplication::setApplicationName(description.model->preferencesName);

    MainWindow window(description);
    PanelController controller(window, PanelPlatform::real(*description.model));
    window.show();
    return app.exec();
}

} // namespace qm
