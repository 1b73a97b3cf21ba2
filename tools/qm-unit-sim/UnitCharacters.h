#pragma once

#include <QByteArray>
#include <QString>

namespace qm::sim {

// The unit's characters, one byte each in Windows-1252; the five bytes that code page leaves
// open stand for the control characters of the same number.
QString unitText(QByteArrayView bytes);
// Characters the unit cannot show become '?'.
QByteArray unitBytes(QStringView text);

} // namespace qm::sim
