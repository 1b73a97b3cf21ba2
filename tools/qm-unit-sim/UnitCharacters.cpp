#include "tools/qm-unit-sim/UnitCharacters.h"

#include <algorithm>
#include <iterator>

namespace qm::sim {

namespace {

struct Letter
{
    quint8 byte;
    char16_t character;
};

// Where Windows-1252 differs from Latin-1: the printable characters in 0x80 to 0x9F.
constexpr Letter Differing[] = {
    {0x80, u'€'}, {0x82, u'‚'}, {0x83, u'ƒ'}, {0x84, u'„'}, {0x85, u'…'}, {0x86, u'†'},
    {0x87, u'‡'}, {0x88, u'ˆ'}, {0x89, u'‰'}, {0x8A, u'Š'}, {0x8B, u'‹'}, {0x8C, u'Œ'},
    {0x8E, u'Ž'}, {0x91, u'‘'}, {0x92, u'’'}, {0x93, u'“'}, {0x94, u'”'}, {0x95, u'•'},
    {0x96, u'–'}, {0x97, u'—'}, {0x98, u'˜'}, {0x99, u'™'}, {0x9A, u'š'}, {0x9B, u'›'},
    {0x9C, u'œ'}, {0x9E, u'ž'}, {0x9F, u'Ÿ'},
};

QChar characterOf(quint8 byte)
{
    const auto *found = std::find_if(std::begin(Differing), std::end(Differing),
                                     [byte](const Letter &letter) { return letter.byte == byte; });
    return QChar(found == std::end(Differing) ? char16_t(byte) : found->character);
}

char byteOf(QChar character)
{
    const char16_t code = character.unicode();
    const auto *found =
        std::find_if(std::begin(Differing), std::end(Differing),
                     [code](const Letter &letter) { return letter.character == code; });
    if (found != std::end(Differing))
        return static_cast<char>(found->byte);
    const bool sameAsLatin1 = code <= 0xFF && characterOf(static_cast<quint8>(code)) == character;
    return sameAsLatin1 ? static_cast<char>(code) : '?';
}

} // namespace

QString unitText(QByteArrayView bytes)
{
    QString text;
    for (char byte : bytes)
        text += characterOf(static_cast<quint8>(byte));
    return text;
}

QByteArray unitBytes(QStringView text)
{
    QByteArray bytes;
    for (QChar character : text)
        bytes += byteOf(character);
    return bytes;
}

} // namespace qm::sim
