#include "protocol/Windows1252.h"

#include <array>

namespace qm::windows1252 {

namespace {

// 0x80..0x9F; every other byte is the Latin-1 character of the same number.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QChar toChar(quint8 byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return QChar(HighControls[byte - 0x80]);
    return QChar(static_cast<char16_t>(byte));
}

std::optional<quint8> byteFor(char32_t codePoint)
{
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF))
        return static_cast<quint8>(codePoint);
    for (std::size_t i = 0; i < HighControls.size(); ++i) {
        if (HighControls[i] == codePoint)
            return static_cast<quint8>(0x80 + i);
    }
    return std::nullopt;
}

quint8 toByte(char32_t codePoint)
{
    return byteFor(codePoint).value_or(static_cast<quint8>(Unmappable));
}

QString decode(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char byte : bytes)
        text += toChar(static_cast<quint8>(byte));
    return text;
}

qsizetype encodeInto(QStringView text, char *out, qsizetype maxChars)
{
    qsizetype written = 0;
    for (qsizetype i = 0; i < text.size() && written < maxChars; ++i) {
        char32_t codePoint = text[i].unicode();
        if (QChar::isHighSurrogate(codePoint) && i + 1 < text.size() &&
            text[i + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        out[written++] = static_cast<char>(toByte(codePoint));
    }
    return written;
}

QByteArray encode(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    bytes.truncate(encodeInto(text, bytes.data(), text.size()));
    return bytes;
}

} // namespace qm::windows1252
