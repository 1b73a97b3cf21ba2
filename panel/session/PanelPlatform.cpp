#include "panel/session/PanelPlatform.h"

#include "QmVersion.h"
#include "link/EventLoopWaiter.h"
#include "link/RoutedSerialPort.h"
#include "panel/transfer/ExportFolder.h"
#include "panel/window/MessageBoxes.h"
#include "position/CursorFile.h"
#include "preferences/PreferenceKeys.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>

namespace qm {

namespace {

void writeToStandardError(const QString &line)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(line));
}

// The per-user data folder keeps the preferences' name, which the application no longer has:
// on every platform the application's own folder is named after it, so its sibling is taken.
QString modelDataFolder(const UnitModel &model)
{
    const QString own = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QFileInfo(own).path() + u'/' + model.preferencesName;
}

// Kept with the window's other settings; a folder that cannot be kept is only not offered next
// time.
SetupFolderMemory setupFolderMemory(PreferencesStore &store)
{
    const QString section = QString::fromLatin1(prefkeys::Section);
    const QString key = QString::fromLatin1(prefkeys::SetupFolder);
    return {[&store, section, key] { return store.read(section, key, {}); },
            [&store, section, key](const QString &folder) {
                static_cast<void>(store.write(section, key, folder));
            }};
}

} // namespace

PanelPlatform PanelPlatform::real(const UnitModel &model)
{
    PanelPlatform platform;
    platform.makeSerialPort = [](const PortMap &map, const UnitModel &portModel) {
        return qm::makeSerialPort(map, portModel.baudRate);
    };
    platform.describeAdapter = &AdapterInfo::ofDevice;
    platform.waiter = std::make_unique<EventLoopWaiter>();
    platform.preferencesStore = std::make_unique<IniPreferencesStore>(model.preferencesName);
    platform.makeMessageBoxes = [](QWidget *window) {
        return std::make_unique<QtMessageBoxes>(window);
    };
    const QString programFolder = QCoreApplication::applicationDirPath();
    platform.cursorFolder =
        findCursorFolder({programFolder, QDir::cleanPath(programFolder + u'/' +
                                                         QLatin1String(DataFolderFromProgram))});
    platform.fileOutput = std::make_unique<SaveFileOutput>();
    platform.programFolder = programExportFolder();
    platform.dataFolder = modelDataFolder(model);
    platform.diagnostic = writeToStandardError;
    platform.setupDialogs =
        std::make_unique<PlatformSetupDialogs>(setupFolderMemory(*platform.preferencesStore));
    return platform;
}

} // namespace qm
