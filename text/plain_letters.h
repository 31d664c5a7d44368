// Decorative letters, as display names and messages write them (𝓢𝓪𝓻𝓪𝓱, Ｓａｒａｈ, Ⓢⓐⓡⓐⓗ,
// sᴀʀᴀʜ, ᵃ), read as the plain letters they stand for.
#pragma once

#include "platform/unicode.h"

// text with every mathematical, enclosed, fullwidth, small-capital and modifier letter or digit
// as its plain letter or digit (the table scripts/gen-unicode-tables writes from the Unicode
// Character Database); every other character, accents and real scripts included, as it is.
// Folding again changes nothing, and the text grows by at most kPlainLettersGrowth.
Text PlainLetters(TextView text);

// The most characters (UTF-16 units) one character's fold takes, per unit it took: "⒇" -> "20".
inline constexpr size_t kPlainLettersGrowth = 2;
