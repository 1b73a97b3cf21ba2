#pragma once

#include "ReplyShaper.h"
#include "UnitModel.h"

#include <QStringList>

#include <optional>

namespace qm::sim {

// The emulator's command line:
// qm-unit-sim --model 410a|520a [--channels N] [--state FILE] [--link PATH]
//             [--split] [--noise] [--bad-frames] | --help | --version
struct SimOptions
{
    const UnitModel *model = nullptr;
    int channels = ChannelCount;
    QString stateFile;
    QString linkPath;
    LineFaults faults;

    struct Result;
    static Result parse(const QStringList &arguments);
};

struct SimOptions::Result
{
    std::optional<SimOptions> options;
    QString error;  // with the usage, when options is empty and there is no answer
    QString answer; // the help or the version asked for: printed, and nothing runs
};

} // namespace qm::sim
