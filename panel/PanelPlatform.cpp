#include "PanelPlatform.h"

#include "CursorFile.h"
#include "EventLoopWaiter.h"
#include "Notifier.h"
#include "QmVersion.h"
#include "QtSerialPort.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <cstdio>

namespace qm {

namespace {

void writeToStandardError(const QString &line)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(line));
}

} // namespace

PanelPlatform PanelPlatform::real(const UnitModel &model)
{
    PanelPlatform platform;
    platform.makeSerialPort = [](const PortMap &map, const UnitModel &portModel) {
        return std::make_unique<QtSerialPort>(map, portModel.baudRate);
    };
    platform.waiter = std::make_unique<EventLoopWaiter>();
    platform.preferencesStore = std::make_unique<SettingsFileStore>(model.preferencesName);
    platform.makeNotifier = [](QWidget *window) {
        return std::make_unique<MessageBoxNotifier>(window);
    };
    const QString programFolder = QCoreApplication::applicationDirPath();
    platform.cursorFolder =
        findCursorFolder({programFolder, QDir::cleanPath(programFolder + u'/' +
                                                         QLatin1String(DataFolderFromProgram))});
    platform.fileOutput = std::make_unique<SaveFileOutput>();
    platform.programFolder = programFolder;
    platform.dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    platform.diagnostic = writeToStandardError;
    return platform;
}

} // namespace qm
