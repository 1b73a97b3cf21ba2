// Renders both main windows offscreen into PNG files, one per tab page, for the manual.
// The windows are shown as an operator meets them after start-up: enabled, every channel
// answering and channel 1 selected.

#include "ChannelSelector.h"
#include "MainWindow.h"
#include "ModelWindows.h"

#include <QApplication>
#include <QDir>
#include <QTabWidget>
#include <QTest>
#include <QTextStream>

namespace {

bool showAsAfterStartUp(qm::MainWindow &window)
{
    for (qm::ChannelSelector *selector : window.controls().cmdButton) {
        selector->setEnabled(true);
        selector->setSelectedLook(selector->index() == 0);
    }
    window.setEnabled(true);
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

bool renderPages(const qm::WindowDescription &description, const QString &baseName, const QDir &out)
{
    qm::MainWindow window(description);
    if (!showAsAfterStartUp(window))
        return false;
    QTabWidget *tabs = window.controls().sstSettings;
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        QCoreApplication::processEvents();
        const QString suffix = page == 0 ? QString() : QStringLiteral("-page%1").arg(page + 1);
        const QString path = out.filePath(baseName + suffix + QStringLiteral(".png"));
        if (!window.grab().save(path))
            return false;
        QTextStream(stdout) << path << '\n';
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    const bool saved = renderPages(qm::qm410aWindow(), QStringLiteral("qm410a-window"), out) &&
                       renderPages(qm::qm520aWindow(), QStringLiteral("qm520a-window"), out);
    return saved ? 0 : 1;
}
