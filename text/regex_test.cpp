#include "text/regex.h"

#include <gtest/gtest.h>

#include <random>

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

// Replacement texts residents write: references where they are meant, every other character as
// written, and groups that took no part inserting nothing.
TEST(Regex, ReplacementTextsMeanWhatTheySay) {
  const ReplaceCase cases[] = {
      {u"lindens", u"L$", u"100 lindens", u"100 L$"},
      {u"(a)|b", u"[$1]", u"b", u"[]"},
      {u"(a)|b", u"[$1]", u"ab", u"[a][]"},
      {u"dir", u"C:\\Users", u"dir", u"C:\\Users"},
      {u"yay", u"\\o/", u"yay!", u"\\o/!"},
      {u"x", u"ends in \\", u"x", u"ends in \\"},
      {u"x", u"$", u"x", u"$"},
      {u"x", u"${", u"x", u"${"},
      {u"x", u"${1a}", u"x", u"${1a}"},
      {u"x", u"$name", u"x", u"$name"},
      {u"(x)", u"\\\\1", u"x", u"\\1"},
      {u"(x)", u"$$1", u"x", u"$1"},
      {u"(x)", u"${1}0", u"x", u"x0"},
      {u"(x)", u"$0$0", u"x", u"xx"},
      {u"(?<a>x)|(?<b>y)", u"<${a}${b}>", u"xy", u"<x><y>"},
      {u"(?J)(?<n>x)|(?<n>y)", u"<${n}>", u"xy", u"<x><y>"},
      {u"", u"", u"", u""},
  };
  for (const auto& c : cases) {
    if (c.pattern.empty()) continue;
    EXPECT_EQ(Regex(c.pattern).ReplaceAll(c.subject, c.replacement), c.expected)
        << TextToUtf8(c.pattern) << " -> " << TextToUtf8(c.replacement);
  }
}

TEST(Regex, EmptyMatchesAdvanceByWholeCharacters) {
  const ReplaceCase cases[] = {
      {u"x*", u"-", u"abc", u"-a-b-c-"},       {u"x*", u"-", u"\U0001F600", u"-\U0001F600-"},
      {u"x*", u"-", u"a\r\nb", u"-a-\r\n-b-"}, {u"(?=b)", u"^", u"abab", u"a^ba^b"},
      {u"a|", u"-", u"ba", u"-b--"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Regex(c.pattern).ReplaceAll(c.subject, c.replacement), c.expected)
        << TextToUtf8(c.pattern) << " on " << TextToUtf8(c.subject);
  }
}

TEST(ReplacementParse, ReadsTheLanguage) {
  using P = ReplacementPiece;
  struct {
    Text text;
    std::vector<ReplacementPiece> pieces;
  } cases[] = {
      {u"", {}},
      {u"L$", {P{u"L$", -1, {}}}},
      {u"$12x", {P{u"", 12, {}}, P{u"x", -1, {}}}},
      {u"\\123", {P{u"", 12, {}}, P{u"3", -1, {}}}},
      {u"${who}!", {P{u"", -1, u"who"}, P{u"!", -1, {}}}},
      {u"$$\\\\", {P{u"$\\", -1, {}}}},
      {u"${x", {P{u"${x", -1, {}}}},
      {u"$99999999999999", {P{u"", 1'000'000, {}}}},
  };
  for (const auto& c : cases) EXPECT_EQ(ReplacementParse(c.text), c.pieces) << TextToUtf8(c.text);
}

TEST(Regex, ReferencesToMissingGroupsAreRefused) {
  for (const Text replacement : {u"$2", u"${2}", u"\\2", u"${who}"}) {
    EXPECT_THROW(Replacement(Regex(u"(a)"), replacement), RegexError) << TextToUtf8(replacement);
  }
  EXPECT_NO_THROW(Replacement(Regex(u"(a)"), u"$1 $0 \\1 ${1}"));
}

// \C matches one code unit and would split a surrogate pair: refused when compiling.
TEST(Regex, SingleCodeUnitEscapeIsRefused) {
  EXPECT_THROW(Regex(u"^\\C"), RegexError);
  EXPECT_THROW(Regex(u"a\\Cb"), RegexError);
  EXPECT_NO_THROW(Regex(u"[\\\\C]"));
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

// Every Unicode line break is a newline to the patterns ("." does not match one, "$" matches
// before a last one), and "\\R" matches any of them; the library's other options stay off
// (automatic callouts, an empty "[]" class).
TEST(Regex, EveryLineBreakIsANewline) {
  const struct {
    const char16_t *pattern, *subject;
    bool matches;
  } cases[] = {
      {u"a.b", u"a\rb", false},    {u"a.b", u"a\nb", false},  {u"a.b", u"a\u2028b", false},
      {u"a.b", u"a\tb", true},     {u"a$", u"a\r", true},     {u"a$", u"a\r\n", true},
      {u"a$", u"a\u0085", true},   {u"a$", u"a\r\nb", false}, {u"a\\Rb", u"a\u2029b", true},
      {u"a\\Rb", u"a\r\nb", true}, {u"^b", u"a\nb", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Regex(c.pattern).Matches(c.subject), c.matches)
        << TextToUtf8(c.pattern) << " on " << TextToUtf8(c.subject);
  }
  EXPECT_THROW(Regex(u"[]"), RegexError);
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
  EXPECT_FALSE(Regex(u"\\bZor\\b").MayMatch(UnitPresence(u"lo and then")));
  EXPECT_FALSE(Regex(u"lol").MayMatch(UnitPresence(u"nothing here")));
  // A pattern that cannot make a unit stand for both cases needs it in its own case.
  EXPECT_FALSE(Regex(u"\\bzoR\\b").MayMatch(UnitPresence(u"zor and more")));
  EXPECT_TRUE(Regex(u"(?i)\\bzoR\\b").MayMatch(UnitPresence(u"zor and more")));
  // Found by fuzzing: optional or repeated letters before the other case of them.
  for (const char16_t* pattern : {u"A?ab", u"A{0,2}ab", u"(?:A)*ab", u"xA*a"}) {
    EXPECT_TRUE(Regex(pattern).MayMatch(UnitPresence(u"xab"))) << TextToUtf8(pattern);
  }
  EXPECT_TRUE(Regex(u"\\b[Zz]or\\b").MayMatch(UnitPresence(u"zor and more")));
  EXPECT_TRUE(Regex(u"Bx(a)|b").MayMatch(UnitPresence(u"ab")));  // found by fuzzing
  // Found by fuzzing too: the library reports "A" as the first unit, and matches without it.
  EXPECT_TRUE(Regex(u"A*a\r\t").MayMatch(UnitPresence(u"a\r\t")));
}

// A letter's class of both cases is reported by the library as a caseless required unit.
TEST(UnitPresence, LetterClassesOfBothCasesAreNotRuledOut) {
  const Text subjects[] = {u"brb, ok", u"Brb", u"in sl today", u"SL", u"sL"};
  for (const Text pattern : {u"[Bb]rb", u"\\b[Ss][Ll]\\b", u"(?i)brb"}) {
    Regex regex(pattern);
    for (const Text& subject : subjects) {
      EXPECT_EQ(regex.MayMatch(UnitPresence(subject)) || !regex.Matches(subject), true)
          << TextToUtf8(pattern) << " on " << TextToUtf8(subject);
    }
  }
}

// Property: for random patterns and texts, the pre-check never changes what a replacement
// gives (it may only skip entries that would have matched nothing).
TEST(UnitPresence, RandomPatternsAndTextsAgreeWithAndWithoutIt) {
  const Text atoms[] = {u"a",         u"B",      u"b",    u"k",   u"K", u"s",     u"S",
                        u"[Bb]",      u"[Kk]",   u"[sS]", u"\\b", u".", u"(?i)",  u"(?i:k)",
                        u"\\x{212A}", u"\u017F", u"x*",   u"(",   u")", u"|",     u"+",
                        u"?",         u"1",      u"\\d",  u"^",   u"$", u"(?-i)", u" "};
  const Text letters[] = {u"a", u"A", u"b",      u"B", u"k", u"K", u"\u212A",
                          u"s", u"S", u"\u017F", u"1", u" ", u"x"};
  std::mt19937 random(14);
  int compared = 0;
  for (int round = 0; round < 4000; ++round) {
    Text pattern, subject;
    for (int n = 1 + static_cast<int>(random() % 6); n > 0; --n) pattern += atoms[random() % 28];
    for (int n = static_cast<int>(random() % 8); n > 0; --n) subject += letters[random() % 13];
    std::unique_ptr<Regex> regex;
    try {
      regex = std::make_unique<Regex>(pattern);
    } catch (const RegexError&) {
      continue;
    }
    ++compared;
    Text without = regex->ReplaceAll(subject, u"<$0>");
    Text with = regex->MayMatch(UnitPresence(subject)) ? without : subject;
    ASSERT_EQ(with, without) << TextToUtf8(pattern) << " on " << TextToUtf8(subject);
  }
  EXPECT_GT(compared, 1000);
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
