#include "text/emoji.h"

#include <gtest/gtest.h>

#include "text/testing/text_case.h"

namespace {

TEST(EmojiSpoken, NamedOncePerRun) {
  const TextCase cases[] = {
      {"one emoji", u"hi 😀", u"hi grinning face"},
      {"a run of the same one", u"lol 😂😂😂", u"lol face with tears of joy"},
      {"a run with blanks", u"😂 😂  😂 ok", u"face with tears of joy ok"},
      {"two different ones", u"🔥😂", u"fire face with tears of joy"},
      {"the same one apart", u"😀 yes 😀", u"grinning face yes grinning face"},
      {"stuck to words", u"hi😀there", u"hi grinning face there"},
      {"skin tone not said", u"👍🏽 ok", u"thumbs up ok"},
      {"skin tones in a run", u"👍🏻👍🏿", u"thumbs up"},
      {"variation selector", u"❤️ you", u"red heart you"},
      {"text-style symbol", u"I ♥ it", u"I heart suit it"},
      {"joined sequence", u"👨‍👩‍👧", u"family, man, woman, girl"},
      {"joined with skin tone and gender", u"🏃🏽‍♀️", u"woman running"},
      {"joined sequence the table lacks", u"🐱‍🔥", u"cat face fire"},
      {"flag", u"from 🇩🇪!", u"from Germany!"},
      {"subdivision flag", u"🏴󠁧󠁢󠁥󠁮󠁧󠁿", u"England"},
      {"keycap", u"1️⃣", u"keycap, 1"},
      {"name without parentheses", u"🅰️", u"A button, blood type"},
      {"a skin tone alone", u"a 🏽 b", u"a  b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EmojiSpoken(c.written, TEmojiMode::kNamed, u"en"), c.expected) << c.kind;
  }
}

TEST(EmojiSpoken, DroppedOrLeft) {
  const TextCase cases[] = {
      {"between words", u"hi 😀 there", u"hi  there"},
      {"stuck to words", u"hi😀there", u"hi there"},
      {"a flag and skin tone", u"🇩🇪👍🏽", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EmojiSpoken(c.written, TEmojiMode::kDropped, u"en"), c.expected) << c.kind;
  }
  for (const char16_t* text : {u"plain text 123 #1", u"Ça va ₳ ½", u"a lone 🇩", u"1\uFE0F"}) {
    EXPECT_EQ(EmojiSpoken(text, TEmojiMode::kNamed, u"en"), text);
  }
}

TEST(EmojiSpoken, InTheVoicesLanguage) {
  EXPECT_EQ(EmojiSpoken(u"🇩🇪", TEmojiMode::kNamed, EmojiLanguageOf(u"de")), u"Deutschland");
  EXPECT_EQ(EmojiSpoken(u"🔥", TEmojiMode::kNamed, EmojiLanguageOf(u"lcid:7")), u"Feuer");
  EXPECT_EQ(EmojiSpoken(u"🔥", TEmojiMode::kNamed, EmojiLanguageOf(u"lcid:17")), u"火");
  EXPECT_EQ(EmojiLanguageOf(u"sw"), u"en");
  EXPECT_EQ(EmojiLanguageOf(u""), u"en");
}

}  // namespace
