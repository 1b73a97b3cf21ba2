#include "tools/qm-unit-sim/UnitWire.h"

namespace qm::sim {

namespace {

using F = Field;

UnitWire make410a()
{
    return {
        QStringLiteral("410a"),
        9600,
        {F::TextEnables, F::DateMode, F::TimeCodeInput, F::HourMode, F::TimeZone, F::WindowMode,
         F::DisplayMode, F::VertPos, F::HorizPos, F::VertSize, F::HorizSize, F::Blank},
        {},
        {F::TextEnables, F::DateMode, F::TimeCodeInput, F::HourMode, F::TimeZone, F::WindowMode,
         F::DisplayMode, F::VertPos, F::VertSize, F::HorizSize, F::HorizPos},
        {
            {0, F::HorizPos, 0, 0xFF},
            {1, F::HorizSize, 4, 0x0F},
            {2, F::VertPos, 2, 0x3F},
            {2, F::VertSize, 0, 0x03},
            {3, F::DisplayMode, 0, 0xFF},
            {4, F::WindowMode, 0, 0xFF},
            {5, F::TimeZone, 0, 0xFF},
            {6, F::HourMode, 0, 0x01},
            {7, F::TimeCodeInput, 0, 0x01},
            {8, F::DateMode, 0, 0xFF},
            {9, F::TextEnables, 0, 0xFF},
            {10, F::Blank, 0, 0xFF},
        },
        11,
        false,
    };
}

UnitWire make520a()
{
    return {
        QStringLiteral("520a"),
        4800,
        {F::TextEnables, F::AutoStop, F::LeapSeconds, F::WindowMode, F::DisplayMode, F::VertPos,
         F::HorizPos, F::VertSize, F::HorizSize, F::Blank, F::TimeFont},
        {F::TextEnables, F::AutoStop, F::LeapSeconds, F::WindowMode, F::DisplayMode, F::VertPos,
         F::VertSize, F::HorizSize, F::HorizPos, F::Blank},
        {F::TextEnables, F::AutoStop, F::LeapSeconds, F::WindowMode, F::DisplayMode, F::VertPos,
         F::VertSize, F::HorizSize, F::HorizPos},
        {
            {0, F::HorizPos, 0, 0xFF},
            {1, F::HorizSize, 4, 0x0F},
            {2, F::VertPos, 2, 0x3F},
            {2, F::VertSize, 0, 0x03},
            {3, F::DisplayMode, 0, 0xFF},
            {4, F::WindowMode, 0, 0xFF},
            {5, F::LeapSeconds, 0, 0xFF},
            {7, F::AutoStop, 0, 0xFF},
            {8, F::TextEnables, 0, 0xFF},
            {9, F::Blank, 0, 0xFF},
            {11, F::TimeFont, 0, 0xFF},
        },
        10,
        true,
    };
}

} // namespace

const UnitWire &qm410aWire()
{
    static const UnitWire wire = make410a();
    return wire;
}

const UnitWire &qm520aWire()
{
    static const UnitWire wire = make520a();
    return wire;
}

const UnitWire *unitWireByName(const QString &name)
{
    for (const UnitWire *wire : {&qm410aWire(), &qm520aWire()}) {
        if (name.compare(wire->name, Qt::CaseInsensitive) == 0 ||
            name.compare(QStringLiteral("QM-") + wire->name, Qt::CaseInsensitive) == 0)
            return wire;
    }
    return nullptr;
}

} // namespace qm::sim
