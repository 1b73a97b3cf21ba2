#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

struct UnitModel;

// The panels' command line, which only asks for help or the version: answered before any
// window, display or port exists, so that it works on a machine without a screen.
struct CommandLineAnswer
{
    int exitCode = 0;
    QString text;         // to print, ending in a new line
    bool isError = false; // print to standard error instead of standard output
};

// The answer to arguments (the program's path first), or nothing when the panel should start.
std::optional<CommandLineAnswer> answerCommandLine(const QStringList &arguments,
                                                   const UnitModel &model);

} // namespace qm
