#pragma once

#include "ReplyShaper.h"
#include "UnitWire.h"

#include <QStringList>

#include <optional>

namespace qm::sim {

// The emulator's command line:
// qm-unit-sim --model 410a|520a [--channels N] [--state FILE] [--link PATH]
//             [--split] [--noise] [--bad-frames] [--unpaced]
struct SimOptions
{
    const UnitWire *wire = nullptr;
    int channels = ChannelCount;
    QString stateFile;
    QString linkPath;
    LineFaults faults;
    bool paced = true; // replies leave no sooner than the line speed allows

    struct Result;
    static Result parse(const QStringList &arguments);
};

struct SimOptions::Result
{
    std::optional<SimOptions> options;
    QString error; // with the usage, when options is empty
};

} // namespace qm::sim
