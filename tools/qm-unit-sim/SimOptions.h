#pragma once

#include "tools/qm-unit-sim/ReplyShaper.h"
#include "tools/qm-unit-sim/UnitWire.h"

#include <QStringList>

#include <optional>

namespace qm::sim {

// The emulator's command line:
// qm-unit-sim --model 410a|520a [--channels N] [--state FILE] [--link PATH]
//             [--split] [--noise] [--bad-frames] [--ignore FIELD] [--unpaced]
//             [--late MS]
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
    // Each reply begins this long after its request and then comes byte by byte at the line
    // speed, as a real unit behind a USB adapter delivers it.
    int lateMs = 0;

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
