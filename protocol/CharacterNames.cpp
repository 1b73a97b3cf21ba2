#include "protocol/CharacterNames.h"

#include <algorithm>
#include <iterator>

namespace qm {

namespace {

struct Lookalike
{
    char32_t character;
    const char *name;
};

// Ascending, for a binary search. Qt carries no Unicode names; these are the characters an
// operator cannot tell by eye from a letter, digit or blank the unit takes.
constexpr Lookalike Lookalikes[] = {
    {0x00A0, "NO-BREAK SPACE"},
    {0x0391, "GREEK CAPITAL LETTER ALPHA"},
    {0x0392, "GREEK CAPITAL LETTER BETA"},
    {0x0395, "GREEK CAPITAL LETTER EPSILON"},
    {0x0397, "GREEK CAPITAL LETTER ETA"},
    {0x0399, "GREEK CAPITAL LETTER IOTA"},
    {0x039A, "GREEK CAPITAL LETTER KAPPA"},
    {0x039C, "GREEK CAPITAL LETTER MU"},
    {0x039D, "GREEK CAPITAL LETTER NU"},
    {0x039F, "GREEK CAPITAL LETTER OMICRON"},
    {0x03A1, "GREEK CAPITAL LETTER RHO"},
    {0x03A4, "GREEK CAPITAL LETTER TAU"},
    {0x03A7, "GREEK CAPITAL LETTER CHI"},
    {0x03BF, "GREEK SMALL LETTER OMICRON"},
    {0x0405, "CYRILLIC CAPITAL LETTER DZE"},
    {0x0406, "CYRILLIC CAPITAL LETTER BYELORUSSIAN-UKRAINIAN I"},
    {0x0410, "CYRILLIC CAPITAL LETTER A"},
    {0x0412, "CYRILLIC CAPITAL LETTER VE"},
    {0x0415, "CYRILLIC CAPITAL LETTER IE"},
    {0x041A, "CYRILLIC CAPITAL LETTER KA"},
    {0x041C, "CYRILLIC CAPITAL LETTER EM"},
    {0x041D, "CYRILLIC CAPITAL LETTER EN"},
    {0x041E, "CYRILLIC CAPITAL LETTER O"},
    {0x0420, "CYRILLIC CAPITAL LETTER ER"},
    {0x0421, "CYRILLIC CAPITAL LETTER ES"},
    {0x0422, "CYRILLIC CAPITAL LETTER TE"},
    {0x0425, "CYRILLIC CAPITAL LETTER HA"},
    {0x0430, "CYRILLIC SMALL LETTER A"},
    {0x0435, "CYRILLIC SMALL LETTER IE"},
    {0x043E, "CYRILLIC SMALL LETTER O"},
    {0x0440, "CYRILLIC SMALL LETTER ER"},
    {0x0441, "CYRILLIC SMALL LETTER ES"},
    {0x0443, "CYRILLIC SMALL LETTER U"},
    {0x0445, "CYRILLIC SMALL LETTER HA"},
    {0x0455, "CYRILLIC SMALL LETTER DZE"},
    {0x0456, "CYRILLIC SMALL LETTER BYELORUSSIAN-UKRAINIAN I"},
    {0x0458, "CYRILLIC SMALL LETTER JE"},
    {0x2002, "EN SPACE"},
    {0x2003, "EM SPACE"},
    {0x2009, "THIN SPACE"},
    {0x200B, "ZERO WIDTH SPACE"},
    {0x2010, "HYPHEN"},
    {0x2011, "NON-BREAKING HYPHEN"},
    {0x2012, "FIGURE DASH"},
    {0x2212, "MINUS SIGN"},
    {0x3000, "IDEOGRAPHIC SPACE"},
    {0xFEFF, "ZERO WIDTH NO-BREAK SPACE"},
    {0xFF10, "FULLWIDTH DIGIT ZERO"},
};

const char *lookalikeName(char32_t character)
{
    const auto found =
        std::lower_bound(std::begin(Lookalikes), std::end(Lookalikes), character,
                         [](const Lookalike &entry, char32_t c) { return entry.character < c; });
    return found != std::end(Lookalikes) && found->character == character ? found->name : nullptr;
}

} // namespace

QString characterCode(char32_t character)
{
    if (character >= 0x20 && character < 0x7F)
        return {};
    const QString code =
        QStringLiteral("U+") + QString::number(character, 16).toUpper().rightJustified(4, u'0');
    const char *name = lookalikeName(character);
    return name ? code + u' ' + QLatin1String(name) : code;
}

QString withCharacterCode(const QString &shown, char32_t character)
{
    const QString code = characterCode(character);
    return code.isEmpty() ? shown : shown + QStringLiteral(" (") + code + u')';
}

} // namespace qm
