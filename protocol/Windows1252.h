#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace qm {

// The unit's character set, Windows-1252, made lossless: the five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same number and
// back, so every byte a reply carries survives a round trip. Characters the code page lacks
// encode as '?'.
namespace windows1252 {

inline constexpr char Unmappable = '?';

QChar toChar(quint8 byte);
// The byte for one Unicode code point; none when the code page lacks it.
std::optional<quint8> byteFor(char32_t codePoint);
// The byte for one Unicode code point, or '?' when the code page lacks it.
quint8 toByte(char32_t codePoint);

// Encodes up to maxChars characters (a surrogate pair counts as one) into out; returns how
// many bytes were written.
qsizetype encodeInto(QStringView text, char *out, qsizetype maxChars);

QString decode(QByteArrayView bytes);
QByteArray encode(QStringView text);

} // namespace windows1252
} // namespace qm
