#include "speech/speech_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A chat text of lines "speaker:words" (or just "words") joined by CR LF.
TSpeechEntry Chat(TextView text) {
  TSpeechEntry entry{};
  entry.voice = {5, u"V"};
  entry.volume = 100;
  for (const Text& line : LinesSplit(text)) {
    size_t colon = line.find(u':');
    Text speaker = colon == Text::npos ? Text() : line.substr(0, colon);
    entry.lines.push_back({speaker, speaker, line, line.substr(colon + 1)});
  }
  return entry;
}
TSpeechEntry Notice(TextView text) {
  TSpeechEntry entry{};
  entry.text = Text(text);
  entry.notice = entry.xml = true;
  entry.voice = {5, u"V"};
  entry.volume = 100;
  return entry;
}

std::string Said(const TSpeechEntry& entry) {
  if (entry.lines.empty()) return TextToUtf8(entry.text);
  std::vector<Text> said;
  for (const TChatLine& line : entry.lines) said.push_back(line.text);
  std::vector<size_t> offsets;
  return TextToUtf8(ChatTextBuild(entry.passedOver, said, offsets));
}

std::vector<std::string> Drain(TSpeechQueue& queue) {
  std::vector<std::string> texts;
  while (auto next = queue.Next()) texts.push_back(Said(*next));
  return texts;
}

// Each case adds chat texts ("c:") and notices ("n:") under a limit, then takes everything.
TEST(SpeechQueue, LimitPassesOverTheOldestChatLinesOnly) {
  const struct {
    const char* name;
    int32_t limit;
    std::vector<std::u16string> added;
    int32_t waiting;
    std::vector<std::string> spoken;
  } cases[] = {
      {"no limit: a text alone goes whole", 0, {u"c:a\r\nb"}, 2, {"a\r\nb"}},
      {"behind other chat a line at a time", 0, {u"c:a\r\nb", u"c:c"}, 3, {"a", "b", "c"}},
      {"one text over the limit", 2, {u"c:a\r\nb\r\nc"}, 2, {"1 skipped. b\r\nc"}},
      {"older texts go first", 2, {u"c:a", u"c:b", u"c:c"}, 2, {"1 skipped. b", "c"}},
      {"the count carries to the next chat text",
       1,
       {u"c:a", u"c:b", u"c:c\r\nd"},
       1,
       {"3 skipped. d"}},
      {"notices stay and are not counted",
       1,
       {u"n:hello", u"c:a", u"n:bye", u"c:b"},
       1,
       {"hello", "bye", "1 skipped. b"}},
      {"a limit of one keeps the newest", 1, {u"c:a\r\nb\r\nc\r\nd"}, 1, {"3 skipped. d"}},
      {"lines of a text waiting go one by one",
       3,
       {u"c:a\r\nb", u"c:c\r\nd"},
       3,
       {"1 skipped. b", "c\r\nd"}},
  };
  for (const auto& c : cases) {
    TSpeechQueue queue;
    for (const std::u16string& added : c.added) {
      TextView text = TextView(added).substr(2);
      queue.Add(added[0] == u'n' ? Notice(text) : Chat(text), c.limit);
    }
    EXPECT_EQ(queue.WaitingLines(), c.waiting) << c.name;
    EXPECT_EQ(Drain(queue), c.spoken) << c.name;
    EXPECT_TRUE(queue.Empty()) << c.name;
  }
}

TEST(SpeechQueue, NoticesGoWholeAndChatALineAtATimeBehindOtherChat) {
  TSpeechQueue queue;
  queue.Add(Notice(u"one\r\ntwo"), 0);
  queue.Add(Chat(u"x\r\ny"), 0);
  queue.Add(Chat(u"z"), 0);
  auto notice = queue.Next();
  ASSERT_TRUE(notice);
  EXPECT_EQ(notice->text, u"one\r\ntwo");
  EXPECT_TRUE(notice->notice);
  auto line = queue.Next();
  ASSERT_TRUE(line);
  EXPECT_EQ(Said(*line), "x");
  EXPECT_EQ(queue.WaitingLines(), 2);
  queue.Clear();
  EXPECT_FALSE(queue.Next());
}

// A text for you ("f:") goes before the chat that waits (after the earlier ones for you), is not
// counted by the limit and is never passed over.
TEST(SpeechQueue, LinesForYouAreHeardFirstAndNeverPassedOver) {
  auto forYou = [](TextView text) {
    TSpeechEntry entry = Chat(text);
    for (TChatLine& line : entry.lines) line.forYou = true;
    return entry;
  };
  const struct {
    const char* name;
    int32_t limit;
    std::vector<std::u16string> added;
    std::vector<std::string> spoken;
  } cases[] = {
      {"ahead of waiting chat", 0, {u"c:a", u"c:b", u"f:me"}, {"me", "a", "b"}},
      {"in their own order", 0, {u"c:a", u"f:me", u"f:me too"}, {"me", "me too", "a"}},
      {"ahead of notices", 0, {u"n:hello", u"f:me"}, {"me", "hello"}},
      {"a full queue", 1, {u"c:a", u"c:b", u"f:me", u"c:c"}, {"me", "2 skipped. c"}},
      {"never passed over", 1, {u"f:me", u"f:me too", u"c:a", u"c:b"},
       {"me", "me too", "1 skipped. b"}},
  };
  for (const auto& c : cases) {
    TSpeechQueue queue;
    for (const std::u16string& added : c.added) {
      TextView text = TextView(added).substr(2);
      queue.Add(added[0] == u'n' ? Notice(text) : added[0] == u'f' ? forYou(text) : Chat(text),
                c.limit);
    }
    EXPECT_EQ(Drain(queue), c.spoken) << c.name;
  }
  TLastHeard last;
  EXPECT_EQ(LinesSaid(forYou(u"bob:hi").lines, last, 0, 0), std::vector<Text>{u"For you. bob:hi"});
}

// Split a line at a time, each line keeps its own speaker; dropping a speaker takes exactly that
// speaker's lines, wherever they stand, and a text left without lines.
TEST(SpeechQueue, LinesKeepTheirSpeakers) {
  TSpeechQueue queue;
  queue.Add(Chat(u"ann:hi\r\nbob:yo\r\nann:there"), 0);
  queue.Add(Chat(u"cat:meow\r\nann:bye"), 0);
  queue.Add(Chat(u"ann:only ann"), 0);
  auto first = queue.Next();
  ASSERT_TRUE(first);
  ASSERT_EQ(first->lines.size(), 1u);
  EXPECT_EQ(first->lines[0].speaker, u"ann");
  queue.SpeakerDrop(u"ann");
  EXPECT_EQ(queue.WaitingLines(), 2);
  EXPECT_EQ(Drain(queue), (std::vector<std::string>{"bob:yo", "cat:meow"}));
}

// NameRepeat: a speaker's next line within the time goes without the name; an emote, a line
// without a speaker and a speaker between all keep or bring back the name.
TEST(SpeechQueue, LinesSaidWithoutTheNameOfTheSpeakerHeardLast) {
  auto said = [](const char16_t* speaker, const char16_t* name, const char16_t* message) {
    return TChatLine{speaker, name, Text(name) + u" : " + message, message};
  };
  const struct {
    double at;
    TChatLine line;
    const char16_t* expected;
  } steps[] = {
      {0, said(u"ann", u"Ann", u"one"), u"Ann : one"},
      {10, said(u"ann", u"Ann", u"two"), u"two"},
      {39, said(u"ann", u"Ann", u"three"), u"three"},  // within 30 s of "two"
      {39, {u"ann", u"Ann", u"Ann waves", {}}, u"Ann waves"},
      {40, said(u"ann", u"Ann", u"four"), u"four"},
      {80, said(u"ann", u"Ann", u"late"), u"Ann : late"},
      {81, said(u"bob", u"Bob", u"hi"), u"Bob : hi"},
      {82, said(u"ann", u"Ann", u"back"), u"Ann : back"},
      {83, {{}, {}, u"The region restarts", {}}, u"The region restarts"},
      {84, said(u"ann", u"Ann", u"after"), u"Ann : after"},
  };
  TLastHeard last;
  for (const auto& step : steps) {
    EXPECT_EQ(LinesSaid({step.line}, last, step.at, 30), std::vector<Text>{step.expected})
        << step.at;
  }
  TLastHeard never;
  EXPECT_EQ(LinesSaid({said(u"ann", u"Ann", u"a"), said(u"ann", u"Ann", u"b")}, never, 0, 0),
            (std::vector<Text>{u"Ann : a", u"Ann : b"}));
}

}  // namespace
