#include "model/Field.h"

namespace qm {

const char *fieldName(Field field)
{
    switch (field) {
    case Field::TextEnables:
        return "TextEnables";
    case Field::AutoStop:
        return "AutoStop";
    case Field::LeapSeconds:
        return "LeapSeconds";
    case Field::DateMode:
        return "DateMode";
    case Field::TimeCodeInput:
        return "TimeCodeInput";
    case Field::HourMode:
        return "HourMode";
    case Field::TimeZone:
        return "TimeZone";
    case Field::WindowMode:
        return "WindowMode";
    case Field::DisplayMode:
        return "DisplayMode";
    case Field::VertPos:
        return "VertPos";
    case Field::HorizPos:
        return "HorizPos";
    case Field::VertSize:
        return "VertSize";
    case Field::HorizSize:
        return "HorizSize";
    case Field::Blank:
        return "Blank";
    case Field::TimeFont:
        return "TimeFont";
    }
    return "?";
}

} // namespace qm
