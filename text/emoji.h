// Emoji as a listener hears them: by their Unicode CLDR short name, once per run of the same
// one, or not at all.
#pragma once

#include <cstdint>

#include "platform/unicode.h"

// The values [Options] Emoji takes.
enum class TEmojiMode : int32_t { kDropped = 0, kNamed = 1 };

// text with each emoji said by its short name in language (one of EmojiLanguageOf's; English
// where the table lacks it), a run of the same emoji (blanks between them included) once; or,
// kDropped, without them. Skin tones, joiners and variation selectors are never said; a flag is
// its country's name; a joined sequence the table lacks is said part by part. Every other
// character is kept, and the text grows by at most kEmojiGrowth per character (UTF-16 unit).
Text EmojiSpoken(TextView text, TEmojiMode mode, TextView language);

inline constexpr size_t kEmojiGrowth = 80;

// The emoji table's language for a voice's language (LanguageBaseOf: "de", "lcid:7"); "en"
// where the table has no names in it.
Text EmojiLanguageOf(TextView languageBase);
