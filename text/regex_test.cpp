#include "text/regex.h"

#include <gtest/gtest.h>

namespace {

struct ReplaceCase {
  Text pattern, replacement, subject, expected;
};

TEST(Regex, ReplacesEveryMatchWithPerlStyleReferences) {
  const ReplaceCase cases[] = {
      {u"x", u"", u"xaxbx", u"ab"},
      {u"(\\w+)san", u"$1 san", u"Annsan", u"Ann san"},
      {u"(\\w+)san", u"\\1 san", u"Annsan", u"Ann san"},
      {u"(?<who>\\w+)san", u"${who} san", u"Annsan", u"Ann san"},
      {u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", u"${10}$1", u"abcdefghij", u"ja"},
      {u"a", u"$$", u"cat", u"c$t"},
      {u"a", u"\\\\", u"cat", u"c\\t"},
      {u"lol", u"-", u"lol lollipop", u"- -lipop"},
      {u"\\blol\\b", u"laugh", u"lol lollipop", u"laugh lollipop"},
      {u"LOL", u"laugh", u"lol", u"lol"},
      {u"^a", u"b", u"a\r\na", u"b\r\na"},  // no multi-line mode
      {u"a$", u"b", u"a\r\na", u"a\r\nb"},
      {u".", u"x", u"a\u3042\U0001F600", u"xxx"},      // characters, not code units
      {u"a.b", u"x", u"a\r\nb a\nb", u"a\r\nb a\nb"},  // "." never matches a line break
      {u"\\R", u"|", u"a\r\nb\u2028c", u"a|b|c"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Regex(c.pattern).ReplaceAll(c.subject, c.replacement), c.expected)
        << TextToUtf8(c.pattern) << " -> " << TextToUtf8(c.replacement);
  }
}

TEST(Regex, RejectedPatternsCarryTheLibraryMessage) {
  for (const Text pattern : {u"(", u"[a", u"a{2,1}", u""}) {
    try {
      Regex r(pattern);
      FAIL() << "accepted " << TextToUtf8(pattern);
    } catch (const RegexError& e) {
      std::string message = e.what();
      EXPECT_NE(message.find("Regular expression"), std::string::npos) << message;
      if (!pattern.empty()) {
        EXPECT_NE(message.find("at offset"), std::string::npos) << message;
      }
    }
  }
  try {
    Regex r(u"(");
  } catch (const RegexError& e) {
    EXPECT_NE(std::string(e.what()).find("missing closing parenthesis"), std::string::npos);
  }
}

TEST(Regex, CatastrophicPatternFailsInsteadOfHanging) {
  Regex r(u"(a+)+$");
  EXPECT_THROW(r.Matches(Text(40, u'a') + u"b"), RegexError);
}

TEST(Regex, LargeReplacementsGrowTheOutput) {
  Text expected;
  for (int i = 0; i < 10000; ++i) expected += u"bcd";
  EXPECT_EQ(Regex(u"a").ReplaceAll(Text(10000, u'a'), u"bcd"), expected);
}

// The quick pre-check may only ever rule out texts that truly do not match.
TEST(UnitPresence, NeverRulesOutAMatch) {
  const Text patterns[] = {u"\\bhello\\b", u"(?i)HELLO",  u"(?i:k)",   u"Zor",    u"a(?i)b",
                           u"\\x{41}",     u"[Kk]ai",     u"x|y",      u"\u3042", u"(*UCP)(?i)s",
                           u"ab*c",        u"^\\[\\d{4}", u"\\Qa.b\\E"};
  const Text subjects[] = {u"hello there", u"HeLLo", u"\u212A", u"k",     u"zor", u"Zor",
                           u"aB",          u"A",     u"kai",    u"Kai",   u"y",   u"\u3042",
                           u"\u017F",      u"S",     u"ac",     u"[2024", u"a.b", u""};
  for (const Text& pattern : patterns) {
    Regex regex(pattern);
    for (const Text& subject : subjects) {
      if (regex.Matches(subject)) {
        EXPECT_TRUE(regex.MayMatch(UnitPresence(subject)))
            << TextToUtf8(pattern) << " on " << TextToUtf8(subject);
      }
    }
  }
  // It does rule out the plain cases it is there for.
  EXPECT_FALSE(Regex(u"\\bZor\\b").MayMatch(UnitPresence(u"zor and more")));
  EXPECT_FALSE(Regex(u"lol").MayMatch(UnitPresence(u"nothing here")));
}

TEST(RegexCache, KeepsCompiledPatternsAndNeverKeepsBadOnes) {
  RegexCacheCapacitySet(8);
  auto first = RegexGet(u"abc");
  EXPECT_EQ(first.get(), RegexGet(u"abc").get());
  EXPECT_THROW(RegexGet(u"("), RegexError);
  EXPECT_THROW(RegexGet(u"("), RegexError);
  RegexCacheCapacitySet(0);
  auto uncached = RegexGet(u"abc");
  EXPECT_NE(uncached.get(), RegexGet(u"abc").get());
  EXPECT_TRUE(uncached->Matches(u"xabc"));  // still alive while held
  RegexCacheCapacitySet(4096);
}

}  // namespace
