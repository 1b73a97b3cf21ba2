#pragma once

#include <QCommandLineOption>
#include <QStringList>

namespace qm {

// The -h/--help and -v/--version every program of ours answers, worded once so that their
// help texts and manual pages agree (Qt's own help option would add --help-all).
inline QCommandLineOption helpOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                              QStringLiteral("Show this help and exit."));
}

inline QCommandLineOption versionOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("v"), QStringLiteral("version")},
                              QStringLiteral("Show the version and exit."));
}

} // namespace qm
