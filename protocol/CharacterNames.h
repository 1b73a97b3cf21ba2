#pragma once

#include <QString>

namespace qm {

// Names a character beyond plain ASCII by its code point, so that the operator can tell it
// from the one it looks like: "U+0430 CYRILLIC SMALL LETTER A" for the lookalikes of Latin
// letters and blanks that get in by a keyboard layout or a paste, "U+4E2D" for the others;
// empty for printable ASCII, which shows as itself.
QString characterCode(char32_t character);

// The character as shown (quoted by the caller), followed by its code where it has one:
// "\"а\" (U+0430 CYRILLIC SMALL LETTER A)".
QString withCharacterCode(const QString &shown, char32_t character);

} // namespace qm
