#include "text/speaker_key.h"

#include <gtest/gtest.h>

namespace {

struct KeyCase {
  const char* form;
  Text written;
  Text key;
  Text spokenUserName;
};

// Every form in which the two viewers write a speaker, and the list entries that stand for them.
TEST(SpeakerKey, EveryNameFormGivesTheUserName) {
  const KeyCase cases[] = {
      {"display name and user name", u"Jane Doe (jane.doe)", u"jane.doe", u"jane doe"},
      {"display name and resident user name", u"Sunny Day (janedoe)", u"janedoe", u"janedoe"},
      {"legacy name alone", u"Jane Doe", u"jane.doe", u"jane doe"},
      {"legacy name in capitals", u"JANE DOE", u"jane.doe", u"jane doe"},
      {"resident legacy name", u"janedoe Resident", u"janedoe", u"janedoe"},
      {"resident legacy name, capital first", u"Janedoe Resident", u"janedoe", u"janedoe"},
      {"display name and legacy name", u"Sunny Day (Jane Doe)", u"jane.doe", u"jane doe"},
      {"display name and resident legacy name", u"Sunny (janedoe Resident)", u"janedoe",
       u"janedoe"},
      {"user name alone", u"jane.doe", u"jane.doe", u"jane doe"},
      {"one word", u"Janedoe", u"janedoe", u"janedoe"},
      {"blanks around", u" \tJane Doe \t", u"jane.doe", u"jane doe"},
      {"parentheses in the display name", u"Ann (Example) (ann.example)", u"ann.example",
       u"ann example"},
      {"escaped colon", u"Ann%3AColon (ann.colon)", u"ann.colon", u"ann colon"},
      {"object of several words", u"Magic Dance Ball", u"magic dance ball", u"Magic Dance Ball"},
      {"object with a version", u"Dance Ball 2.0", u"dance ball 2.0", u"Dance Ball 2 0"},
      {"object with an escaped colon", u"Box%3A Blue", u"box: blue", u"Box: Blue"},
      {"capitals in the parenthesised user name", u"Ann Example (Ann.Example)",
       u"ann example (ann.example)", u"Ann Example (Ann Example)"},
      {"underscore", u"ann_example", u"ann_example", u"ann_example"},
      {"two dots", u"a.b.c", u"a.b.c", u"a b.c"},
      {"legacy first name too long", Text(32, u'a') + u" Doe", Text(32, u'a') + u" doe",
       Text(32, u'a') + u" Doe"},
      {"empty", u"", u"", u""},
      {"empty parentheses", u"()", u"()", u"()"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SpeakerKey(c.written), c.key) << c.form;
    EXPECT_EQ(SpokenUserName(c.written), c.spokenUserName) << c.form;
  }
}

TEST(SpeakerKey, ViewerNoticesAreTold) {
  for (const char16_t* viewer : {u"Second Life", u"Grid"}) {
    EXPECT_TRUE(IsViewerNoticeSpeaker(SpeakerKey(viewer))) << TextToUtf8(viewer);
  }
  for (const char16_t* resident : {u"Ann Example (ann.example)", u"Gridlock", u"second"}) {
    EXPECT_FALSE(IsViewerNoticeSpeaker(SpeakerKey(resident))) << TextToUtf8(resident);
  }
}

TEST(SpeakerKey, UserNameOfAcceptsOnlyUserAndLegacyNames) {
  const struct {
    Text name;
    Text user;
  } cases[] = {
      {u"jane.doe", u"jane.doe"},
      {u"Jane Doe", u"jane.doe"},
      {u"jane Resident", u"jane"},
      {u"Jane", u""},
      {u"Jane  Doe", u""},
      {u"Jane Middle Doe", u""},
      {u"Jane-Ann Doe", u""},
      {u"Ann.Example", u""},
      {u"", u""},
      {u" Jane Doe", u""},
      {u"Jos\u00e9 Doe", u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UserNameOf(c.name), c.user) << TextToUtf8(c.name);
  }
}

struct UserNameCase {
  Text name;
  bool valid;
};

TEST(UserNameCheck, FollowsTheViewerRule) {
  const UserNameCase cases[] = {
      {u"ann.example", true},
      {u"annexample", true},
      {u".", true},
      {u"Ann.Example", false},
      {u"ann example", false},
      {u"a.b.c", false},
      {u"ann_example", false},
      {u"", false},
      {Text(31, u'a'), true},
      {Text(32, u'a'), false},
      {Text(31, u'a') + u".b", true},
      {Text(32, u'a') + u".b", false},
      {Text(31, u'a') + u"." + Text(31, u'b'), true},
      {Text(31, u'a') + u"." + Text(32, u'b'), false},
  };
  for (const auto& c : cases) EXPECT_EQ(UserNameCheck(c.name), c.valid) << TextToUtf8(c.name);
}

}  // namespace
