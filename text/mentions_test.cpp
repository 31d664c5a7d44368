#include "text/mentions.h"

#include <gtest/gtest.h>

namespace {

TEST(MyNames, ParsedAndDefaulted) {
  EXPECT_EQ(MyNamesParse(u" Jane.Doe , Jane,, jane "), (std::vector<Text>{u"jane.doe", u"jane"}));
  EXPECT_TRUE(MyNamesParse(u" , ").empty());
  EXPECT_EQ(MyNamesDefault(u"jane_doe"), u"jane.doe, jane");
  EXPECT_EQ(MyNamesDefault(u"JaneDoe"), u"janedoe");
}

TEST(MentionsAny, YourNamesAsWordsOfTheirOwn) {
  const std::vector<Text> names = MyNamesParse(u"jane.doe, Jane");
  const struct {
    const char* kind;
    const char16_t* text;
    bool mentions;
  } cases[] = {
      {"first name", u"hi Jane!", true},
      {"any case", u"JANE, come here", true},
      {"user name", u"ask jane.doe's friend", true},
      {"a mention link's label", u"[@Jane Doe](secondlife:///app/agent/0b8c/mention) look", true},
      {"at the end", u"thanks jane", true},
      {"inside a longer name", u"hi Janet", false},
      {"inside a word", u"mjane", false},
      {"joined by an underscore", u"jane_doe is here", false},
      {"nobody", u"hello everyone", false},
      {"before a sentence's end", u"thanks zoe... bye jane.", true},
      {"part of an address", u"see link to jane.example.com", false},
      {"after a dot in an address", u"mail.jane is down", false},
  };
  for (const auto& c : cases) EXPECT_EQ(MentionsAny(c.text, names), c.mentions) << c.kind;
  EXPECT_FALSE(MentionsAny(u"hi Jane", {}));
}

}  // namespace
