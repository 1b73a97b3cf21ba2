#include "tools/qm-unit-sim/DefaultUnitState.h"

namespace qm::sim {

namespace {

quint8 defaultValue(Field field, int channel)
{
    const auto value = [](int v) {
        return static_cast<quint8>(v);
    };
    switch (field) {
    case Field::TextEnables:
        return value(channel % 3 == 0 ? 3 : 1);
    case Field::AutoStop:
    case Field::TimeCodeInput:
    case Field::TimeFont:
        return value(channel % 2);
    case Field::LeapSeconds:
    case Field::HourMode:
        return value((channel / 2) % 2);
    case Field::DateMode:
    case Field::DisplayMode:
        return value(channel % 3);
    case Field::TimeZone:
        return value(24 + (channel % 5) * 2 - 4);
    case Field::WindowMode:
        return value(channel % 4);
    // Channel 1 sits in the middle of the picture at a medium size, as a unit fresh from
    // set-up would; the others spread over the grid without touching its edges.
    case Field::VertPos:
        return value(10 + (channel * 7 + 20) % 45);
    case Field::HorizPos:
        return value(20 + (channel * 29 + 72) % 150);
    case Field::VertSize:
        return value(1 + (channel + 1) % 3);
    case Field::HorizSize:
        return value(4 + (channel + 3) % 12);
    case Field::Blank:
        return value(channel == 11 ? 1 : 0);
    }
    return 0;
}

} // namespace

ChannelTable defaultUnitState(const UnitWire &wire)
{
    ChannelTable table;
    for (int channel = 0; channel < ChannelTable::size(); ++channel) {
        ChannelSettings &record = table[channel];
        for (Field field : wire.recordFields)
            record[field] = defaultValue(field, channel);
        record.texts[0] = QStringLiteral("CAM %1").arg(channel + 1);
        if (channel % 3 == 0)
            record.texts[1] = QStringLiteral("STUDIO %1").arg(QChar(u'A' + channel / 3));
    }
    return table;
}

} // namespace qm::sim
