#pragma once

namespace qm::test {

// Bytes 0x80 to 0x9F of the units' code page, Windows-1252, as it prints them; the five it
// leaves undefined map to the control character of the same number, so that every byte comes
// back.
inline constexpr char16_t Windows1252HighRow[] =
    u"€\u0081‚ƒ„…†‡ˆ‰Š‹Œ\u008DŽ\u008F\u0090‘’“”•–—˜™š›œ\u009DžŸ";

} // namespace qm::test
