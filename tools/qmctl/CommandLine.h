#pragma once

#include "model/UnitModel.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

// What qmctl's exit status tells its caller; the usage words each.
enum ExitCode
{
    Success = 0,
    Differences = 1,
    BadUsage = 2,
    UnitFailed = 3,
    Partial = 4,
};

// What the operator asked qmctl for, checked as far as it can be without the file or the port.
struct CommandLine
{
    QString command;
    const UnitModel *model = nullptr; // find: none when any model will do
    QString port;       // "COM3" for a port number however given, else the device or address
    int portNumber = 0; // 1..16 for a port number, 0 for a device path or address
    QString device;     // the path PORT stands for
    QString file;
    QString output;
    QString summary; // read: where the JSON summary goes
    bool json = false;
    bool trace = false;                 // the link's wire trace on standard error
    std::optional<QList<int>> channels; // as --channels names them
};

// The command line, or nothing with the error that says what is wrong with it. Exits the
// program for --help and --version, as their callers expect of any program.
std::optional<CommandLine> parseCommandLine(const QStringList &arguments, QString &error);

} // namespace qm
