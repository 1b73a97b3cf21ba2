#pragma once

#include "tools/qm-unit-sim/ReplyShaper.h"
#include "tools/qm-unit-sim/UnitWire.h"

#include <QStringList>

#include <optional>

namespace qm::sim {

// The emulator's command line:
// qm-unit-sim --model 410a|520a [--channels N] [--state FILE] [--link PATH]
//             [--split] [--noise] [--bad-frames] [--ignore FIELD] [--unpaced]
//             | --help | --version
struct SimOptions
{
    const UnitWire *wire = nullptr;
    int channels = ChannelCount;
    QString stateFile;
    QString linkPath;
    LineFaults faults;
    // A field the data frames never change: a unit that does not take a setting.
    std::optional<Field> ignoredField;
    bool paced = true; // replies leave no sooner than the line speed allows

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
