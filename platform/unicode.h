// Text is the program's one string type: UTF-16, as on the Windows side and in Qt. Every Text
// decoded from bytes here is well-formed (no unpaired surrogates).
// Conversions to and from bytes happen only at the edges (files, UTF-8 APIs).
#pragma once

#include <string>
#include <string_view>
#include <vector>

using Text = std::u16string;
using TextView = std::u16string_view;

// Lines of text without their line ends, in file order.
using LineList = std::vector<Text>;

inline constexpr char16_t kReplacementChar = u'\uFFFD';

// Decodes UTF-8; every maximal ill-formed subsequence becomes one U+FFFD.
Text Utf8ToText(std::string_view bytes);
// Encodes UTF-8; an unpaired surrogate becomes U+FFFD.
std::string TextToUtf8(TextView text);

// Decodes UTF-16 in the given byte order; an odd last byte and unpaired surrogates become U+FFFD.
Text Utf16LeToText(std::string_view bytes);
Text Utf16BeToText(std::string_view bytes);

// What a byte-order mark at the start of bytes names.
enum class ByteOrderMark { kNone, kUtf8, kUtf16Le, kUtf16Be };
ByteOrderMark ByteOrderMarkGet(std::string_view bytes);
// The mark's own bytes; empty for kNone.
std::string_view ByteOrderMarkBytes(ByteOrderMark mark);
// bytes without the UTF-8 byte-order mark they may start with.
std::string_view Utf8MarkSkip(std::string_view bytes);

// The code point at text[i] and how many units (1 or 2) it takes; an unpaired surrogate stands for
// itself.
struct CodePoint {
  char32_t value;
  size_t units;
};
CodePoint CodePointAt(TextView text, size_t i);

// Replaces unpaired surrogates by U+FFFD, in place.
void SurrogatesRepair(Text& text);

// Splits at CR LF, CR or LF. The line ends are dropped, a last line without a line end is a
// line, a line end at the very end adds no empty line, and a NUL ends the text.
LineList LinesSplit(TextView text);

// Joins with CR LF between the pieces.
Text LinesJoin(const LineList& lines);

// Without the characters of code 32 or less (blanks, tabs, line ends) at both ends.
Text Trim(TextView text);
// With the ASCII capitals "A" to "Z" lowered; every other character as it is.
Text AsciiLower(TextView text);

// ASCII-only conversions, for literals and numbers.
Text AsciiToText(std::string_view ascii);
