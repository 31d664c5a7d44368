#include "speech/speech_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TSpeechEntry Chat(TextView text) { return {Text(text), {}, false, false, {5, u"V"}, 100, 0}; }
TSpeechEntry Notice(TextView text) { return {Text(text), {}, true, true, {5, u"V"}, 100, 0}; }

std::vector<std::string> Drain(TSpeechQueue& queue) {
  std::vector<std::string> texts;
  while (auto next = queue.Next()) texts.push_back(TextToUtf8(next->text));
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
      {"one text over the limit", 2, {u"c:a\r\nb\r\nc"}, 2, {"1 line passed over. b\r\nc"}},
      {"older texts go first", 2, {u"c:a", u"c:b", u"c:c"}, 2, {"1 line passed over. b", "c"}},
      {"the count carries to the next chat text",
       1,
       {u"c:a", u"c:b", u"c:c\r\nd"},
       1,
       {"3 lines passed over. d"}},
      {"notices stay and are not counted",
       1,
       {u"n:hello", u"c:a", u"n:bye", u"c:b"},
       1,
       {"hello", "bye", "1 line passed over. b"}},
      {"a limit of one keeps the newest",
       1,
       {u"c:a\r\nb\r\nc\r\nd"},
       1,
       {"3 lines passed over. d"}},
      {"lines of a text waiting go one by one",
       3,
       {u"c:a\r\nb", u"c:c\r\nd"},
       3,
       {"1 line passed over. b", "c\r\nd"}},
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
  EXPECT_EQ(line->text, u"x");
  EXPECT_EQ(queue.WaitingLines(), 2);
  queue.Clear();
  EXPECT_FALSE(queue.Next());
}

}  // namespace
