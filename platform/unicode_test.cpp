#include "platform/unicode.h"

#include <gtest/gtest.h>

namespace {

struct Utf8Case {
  const char* name;
  std::string bytes;
  Text expected;
};

TEST(Utf8ToText, DecodesAndReplacesMalformedSequences) {
  const Utf8Case cases[] = {
      {"ascii", "abc", u"abc"},
      {"two bytes", "\xC3\xA9", u"\u00E9"},
      {"three bytes", "\xE3\x81\x82", u"\u3042"},
      {"four bytes", "\xF0\x9F\x98\x80", u"\U0001F600"},
      {"lone continuation", "a\x80z", u"a\uFFFDz"},
      {"cut three-byte char", "\xE3\x81", u"\uFFFD"},
      {"cut char then ascii", "\xE3\x81z", u"\uFFFDz"},
      {"overlong", "\xC0\xAF", u"\uFFFD\uFFFD"},
      {"surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"invalid lead", "\xFF", u"\uFFFD"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToText(c.bytes), c.expected) << c.name;
  }
}

TEST(TextToUtf8, RoundTripsAndReplacesLoneSurrogates) {
  const Text samples[] = {u"", u"plain", u"\u00E9\u3042\U0001F600", u"\uFF3BYYYY]"};
  for (const Text& s : samples) EXPECT_EQ(Utf8ToText(TextToUtf8(s)), s);
  EXPECT_EQ(TextToUtf8(u"a\xD800z"), "a\xEF\xBF\xBDz");
}

TEST(Utf16ToText, ReadsBothByteOrders) {
  EXPECT_EQ(Utf16LeToText(std::string("a\0\x42\x30", 4)), u"a\u3042");
  EXPECT_EQ(Utf16BeToText(std::string("\0a\x30\x42", 4)), u"a\u3042");
  EXPECT_EQ(Utf16LeToText(std::string("a\0b", 3)), u"a\uFFFD");
  EXPECT_EQ(Utf16LeToText(std::string("\x00\xD8x\0", 4)), u"\uFFFDx");
}

struct SplitCase {
  Text text;
  LineList lines;
};

TEST(LinesSplit, HandlesEveryLineEnd) {
  const SplitCase cases[] = {
      {u"", {}},
      {u"a", {u"a"}},
      {u"a\r\n", {u"a"}},
      {u"a\r\nb", {u"a", u"b"}},
      {u"a\rb\nc", {u"a", u"b", u"c"}},
      {u"a\n\nb", {u"a", u"", u"b"}},
      {u"\r\n", {u""}},
      {u"\n\r", {u"", u""}},
      {Text(u"a\nb\0c\nd", 7), {u"a", u"b"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LinesSplit(c.text), c.lines) << TextToUtf8(c.text);
  }
}

TEST(LinesJoin, PutsCrLfBetweenPieces) {
  EXPECT_EQ(LinesJoin({}), u"");
  EXPECT_EQ(LinesJoin({u"a"}), u"a");
  EXPECT_EQ(LinesJoin({u"a", u"", u"b"}), u"a\r\n\r\nb");
}

}  // namespace
