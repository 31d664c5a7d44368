#include "text/uText.h"
#include "text/mentions.h"
#include "text/plain_letters.h"

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/testing/testing.h"
#include "text/regex.h"

namespace {

// Every test starts with a filter of its own: no dictionary and no speaker list.
class TextTest : public ::testing::Test {
 protected:
  void SideFileWrite(TextView name, std::string_view contents) {
    FileWrite(PathJoin(folder_.Path(), name), contents);
  }
  void DictionaryWrite(std::string_view body) {
    SideFileWrite(u"Dictionary.txt",
                  "# VORTANE PROJECT KELVORA Dictionary Format V 1.0\n" + std::string(body));
    DictionaryLoad(filter_, {folder_.Path()});
  }
  void ListWrite(TextView name, std::string_view body) {
    SideFileWrite(name, "# VORTANE PROJECT KELVORA User List Format V 1.0\r\n" + std::string(body));
  }

  TempFolder folder_;
  TChatFilter filter_;
};

struct ChatCase {
  const char* name;
  LineList lines;
  Text expected;
  TChatOptions options = {};
};

TChatOptions Options(int translate, int nameMode, bool displayNames) {
  return {translate, nameMode, displayNames};
}

TEST_F(TextTest, SecondLifeChatEntries) {
  const ChatCase cases[] = {
      {"display-name form",
       {u"[2013/10/14 21:05]  Ann Example (ann.example): Hello everyone"},
       u"Ann Example : Hello everyone"},
      {"user name with a blank for its dot",
       {u"[2013/10/14 21:05]  Ann Example (ann.example): Hello everyone"},
       u"ann example : Hello everyone",
       Options(0, 1, true)},
      {"only the first dot becomes a blank",
       {u"[2013/10/14 21:05]  a.b.c: hi"},
       u"a b.c : hi",
       Options(0, 1, true)},
      {"continuation lines joined as written",
       {u"[2013/10/14 21:05]  Ann Example (ann.example): first line", u" second line"},
       u"Ann Example : first line second line"},
      {"two entries",
       {u"[2013/10/14 21:05]  Ann Example (ann.example): Hi",
        u"[2013/10/14 21:06]  Bob Sample (bob.sample): Yo"},
       u"Ann Example : Hi\r\nBob Sample : Yo"},
      {"translated",
       {u"[2013/10/14 21:05]  Ann Example (ann.example): Good morning (Bonjour)"},
       u"Ann Example : Bonjour",
       Options(1, 0, true)},
      {"other translate values act as translated",
       {u"[2013/10/14 21:05]  Ann Example (ann.example): Good morning (Bonjour)"},
       u"Ann Example : Bonjour",
       Options(7, 0, true)},
      {"original keeps the blank",
       {u"[2013/10/14 21:05]  Ann Example (ann.example): Good morning (Bonjour)"},
       u"Ann Example : Good morning ",
       Options(2, 0, true)},
      {"three parentheses, middle separates",
       {u"[2013/10/14 21:07]  Ann Example (ann.example): I (really) agree (Je suis (vraiment) "
        u"d'accord)"},
       u"Ann Example : Je suis (vraiment) d'accord",
       Options(1, 0, true)},
      {"three parentheses, original",
       {u"[2013/10/14 21:07]  Ann Example (ann.example): I (really) agree (Je suis (vraiment) "
        u"d'accord)"},
       u"Ann Example : I (really) agree ",
       Options(2, 0, true)},
      {"full-width opening counts",
       {u"[2013/10/14 21:07]  Ann Example (ann.example): \u304A\u306F\u3088\u3046\uFF08Good "
        u"morning)"},
       u"Ann Example : Good morning",
       Options(1, 0, true)},
      {"full-width closing does not",
       {u"[2013/10/14 21:07]  Ann Example (ann.example): a (b\uFF09"},
       u"Ann Example : a (b\uFF09",
       Options(1, 0, true)},
      {"even count left whole",
       {u"[2013/10/14 21:07]  Ann Example (ann.example): see (this) (that)"},
       u"Ann Example : see (this) (that)",
       Options(1, 0, true)},
      {"plain form without display names",
       {u"[2013/10/14 21:05]  Ann Example: Hello"},
       u"Ann Example : Hello",
       Options(0, 0, false)},
      {"display-name form ignored when off",
       {u"[2013/10/14 21:05]  Ann Example (ann.example): Hello"},
       u"Ann Example (ann.example) : Hello",
       Options(0, 0, false)},
      {"a display name with parentheses of its own",
       {u"[2013/10/14 21:05]  Ann (Example) (ann.example): Hi"},
       u"Ann (Example) : Hi"},
      {"capitals fail the user-name rule",
       {u"[2013/10/14 21:05]  Ann Example (Ann.Example): Hi"},
       u"Ann Example (Ann.Example) : Hi"},
      {"the longest name part a viewer writes is a speaker",
       {u"[2013/10/14 21:05]  " + Text(96, u'n') + u"x: hi"},
       Text(96, u'n') + u"x : hi"},
      {"a longer one is no speaker",
       {u"[2013/10/14 21:05]  " + Text(97, u'n') + u"x: hi"},
       u" : " + Text(97, u'n') + u"x: hi"},
      {"chunk without a timestamp first",
       {u"rest of a long message", u"[2013/10/14 21:06]  Bob Sample (bob.sample): Yo"},
       u" : rest of a long message\r\nBob Sample : Yo"},
      {"system notice",
       {u"[2013/10/14 21:06]  Second Life: Teleport completed"},
       u"Second Life : Teleport completed"},
      {"emote spoken after the name, shout kept in the message",
       {u"[2013/10/14 21:06]  Bob Sample (bob.sample): /me waves",
        u"[2013/10/14 21:06]  Bob Sample (bob.sample): shouts: HEY"},
       u"Bob Sample waves\r\nBob Sample : shouts: HEY"},
      {"one-digit hour and empty lines", {u"", u"[2013/10/14 9:05]  ann: hi", u""}, u"ann : hi"},
      {"timestamp without blank continues the entry",
       {u"[2013/10/14 21:05]  ann: hi", u"[2013/10/14 21:06]x"},
       u"ann : hi[2013/10/14 21:06]x"},
      {"entry with an empty message yields nothing", {u"[2013/10/14 21:05]  ann:   "}, u""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SLChatTextGet(filter_, c.lines, c.options), c.expected) << c.name;
  }
}

// Every stamp form the viewers write starts an entry, alone and mixed in one read.
// A message's own parentheses, colons, links and emotes never move the speaker: the name part
// ends at the first ": " (a ":" in a name is written "%3A"), and a user name counts only as the
// whole parenthesised tail of the name part. Both viewers' forms, display names on and off.
TEST_F(TextTest, MessagesCannotMoveTheSpeaker) {
  const Text decorated = [] {
    Text name;  // 31 mathematical bold letters: 62 UTF-16 units, 31 characters
    for (int i = 0; i < 31; ++i) name += u"\U0001D41A";
    return name;
  }();
  const Text longUser = Text(31, u'a') + u"." + Text(31, u'b');
  const struct {
    const char* name;
    Text line;  // behind the stamp
    bool displayNames;
    Text spoken, key;
  } cases[] = {
      {"parentheses and a colon in the message", u"Jane Doe (jane.doe): look (at this): ok", true,
       u"Jane Doe : look (at this): ok", u"jane.doe"},
      {"legacy name, display names on", u"Jane Doe: look (at this): ok", true,
       u"Jane Doe : look (at this): ok", u"jane.doe"},
      {"one-word name", u"Bob: see (my place): now", true, u"Bob : see (my place): now", u"bob"},
      {"display names off", u"Jane Doe: look (at this): ok", false,
       u"Jane Doe : look (at this): ok", u"jane.doe"},
      {"emote", u"Jane Doe: /me points (at it): read", true, u"Jane Doe points (at it): read",
       u"jane.doe"},
      {"whisper", u"Jane Doe (jane.doe): whispers: psst (quiet): ok", true,
       u"Jane Doe : whispers: psst (quiet): ok", u"jane.doe"},
      {"a link with a port", u"Ann Example (ann.example): see http://example.com:8080/x (here): ok",
       true, u"Ann Example : see link to example.com (here): ok", u"ann.example"},
      {"Firestorm's legacy name in parentheses", u"Cool Name (Jane Doe): hi (there): x", true,
       u"Cool Name : hi (there): x", u"jane.doe"},
      {"a resident", u"Sunny (sunnyday Resident): (hello): there", true, u"Sunny : (hello): there",
       u"sunnyday"},
      {"an object with colons in its name",
       u".%3A%3AKitty%3A%3A. Couture Vendor - Summer Dress Collection 2025 %3A%3A.: Thank you",
       true, u".::Kitty::. Couture Vendor - Summer Dress Collection 2025 ::. : Thank you",
       u".::kitty::. couture vendor - summer dress collection 2025 ::."},
      {"an object that looks like Firestorm's form", u"Dance Ball (Blue Edition): Dance!", true,
       u"Dance Ball : Dance!", u"blue.edition"},
      {"a decorated display name with the longest user name",
       decorated + u" (" + longUser + u"): hi", true, PlainLetters(decorated) + u" : hi", longUser},
      {"a message that is only a colon's rest", u"Jane Doe (jane.doe): :)", true, u"Jane Doe : :)",
       u"jane.doe"},
  };
  for (const auto& c : cases) {
    LineList lines = {u"[2025/11/14 18:05]  " + c.line};
    std::vector<TChatEntry> entries =
        SLChatEntriesGet(filter_, lines, Options(0, 0, c.displayNames));
    ASSERT_EQ(entries.size(), 1u) << c.name;
    EXPECT_EQ(entries[0].text, c.spoken) << c.name;
    EXPECT_EQ(entries[0].speaker, c.key) << c.name;
    // A list line written from the key silences the line.
    TChatFilter listed;
    listed.UserList = {c.key};
    EXPECT_TRUE(SLChatEntriesGet(listed, lines, Options(0, 0, c.displayNames)).empty()) << c.name;
  }
}

TEST_F(TextTest, EveryStampFormStartsAnEntry) {
  const Text stamps[] = {
      u"[2025/11/14 18:05]",
      u"[2025/11/9 18:05]",
      u"[2025/11/14 6:05 PM]",
      u"[2025/11/14 06:05 PM]",
      u"[18:05]",
      u"[6:05 PM]",
      u"[18:05:07]",
      u"[6:05:07 PM]",
      u"[2025/11/14 18:05:07]",
      u"[2025/11/9 6:05 \u5348\u5F8C]",
      u"[2025/11/14 \u5348\u524D 6:05]",
      u"[2025/1/2 9:05 am]",
  };
  LineList mixed;
  Text expected;
  for (const Text& stamp : stamps) {
    Text line = stamp + u"  Jane Doe (jane.doe): hello";
    EXPECT_EQ(SLChatTextGet(filter_, {line}, {}), u"Jane Doe : hello") << TextToUtf8(stamp);
    EXPECT_EQ(StampTextGet(filter_, {line}), u" Jane Doe (jane.doe): hello") << TextToUtf8(stamp);
    mixed.push_back(line);
    mixed.push_back(u" and more");
    expected += (expected.empty() ? u"" : u"\r\n") + Text(u"Jane Doe : hello and more");
  }
  EXPECT_EQ(SLChatTextGet(filter_, mixed, {}), expected);
}

// With the viewer's stamps off, a line that does not begin with a blank begins an entry.
TEST_F(TextTest, StamplessLogs) {
  TChatOptions stampless;
  stampless.ViewerStamps = false;
  const LineList lines = {u"Jane Doe (jane.doe): hello",
                          u" second line",
                          u"Bob: hi [x]",
                          u"[2025/11/14 18:05]  Ann: stamped after all",
                          u"",
                          u"Second Life: ok"};
  EXPECT_EQ(SLChatTextGet(filter_, lines, stampless),
            u"Jane Doe : hello second line\r\nBob : hi [x]\r\nAnn : stamped after all\r\n"
            u"Second Life : ok");
  // The same lines read as stamped logs: only the stamp begins an entry.
  EXPECT_EQ(SLChatTextGet(filter_, {u"Jane: hello", u"Bob: hi", u"[18:05]  Ann: stamped"}, {}),
            u" : Jane: helloBob: hi\r\nAnn : stamped");
}

struct SpokenCase {
  const char* name;
  Text line;
  Text expected;
  TChatOptions options = {};
};

// Emotes, mentions and escaped names as a person says them.
TEST_F(TextTest, EmotesMentionsAndNamesSpokenAsSaid) {
  const Text stamp = u"[2025/11/14 18:05]  ";
  const SpokenCase cases[] = {
      {"emote", stamp + u"Jane Doe (jane.doe): /me waves", u"Jane Doe waves"},
      {"possessive emote", stamp + u"Jane Doe (jane.doe): /me's hat is red",
       u"Jane Doe's hat is red"},
      {"emote with user names",
       stamp + u"Jane Doe (jane.doe): /me waves",
       u"jane doe waves",
       {0, 1, true}},
      {"emote translated",
       stamp + u"Jane Doe (jane.doe): /me waves (salue)",
       u"Jane Doe salue",
       {1, 0, true}},
      {"empty emote", stamp + u"Jane Doe (jane.doe): /me ", u""},
      {"not an emote", stamp + u"Jane Doe (jane.doe): /meow", u"Jane Doe : /meow"},
      {"mention",
       stamp + u"Ann (ann.example): hi [bob.sample](secondlife:///app/agent/"
               u"0b8c6f5a-1111-2222-3333-444455556666/mention)!",
       u"Ann : hi bob.sample!"},
      {"mention before a translation",
       stamp + u"Ann (ann.example): hi [bob](secondlife:///app/agent/0b8c/mention) (salut)",
       u"Ann : salut",
       {1, 0, true}},
      {"a labelled web link", stamp + u"Ann (ann.example): see [this](http://x)",
       u"Ann : see this"},
      {"other brackets stay", stamp + u"Ann (ann.example): see [this](here)",
       u"Ann : see [this](here)"},
      {"colon in a name", stamp + u"Ann%3AColon (ann.colon): hi", u"Ann:Colon : hi"},
      {"system notice", stamp + u"Second Life: Teleport completed",
       u"Second Life : Teleport completed"},
      {"grid notice", stamp + u"Grid: region restarts", u"Grid : region restarts"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SLChatTextGet(filter_, {c.line}, c.options), c.expected) << c.name;
  }
  ListWrite(u"BlackList.txt", "jane.doe\n");
  BWListLoad(filter_, {folder_.Path()});
  EXPECT_EQ(SLChatTextGet(filter_, {stamp + u"Jane Doe (jane.doe): /me waves"}, {}), u"");
}

// The options a fixture log's "# " line gives, as preview reads them.
TChatOptions FixtureOptions(const std::string& args) {
  TChatOptions options;
  options.ViewerStamps = args.find("--stamps off") == std::string::npos;
  options.UseDisplayNames = args.find("--display-names off") == std::string::npos;
  options.NameMode = args.find("--name user") == std::string::npos ? 0 : 1;
  return options;
}

// The checked-in logs in every form the viewers write, each with the side files of its folder:
// each gives what its .spoken file says (an entry in a voice of its own after "[voice] "), and
// mode 0 leaves no stamp at the start of any line.
TEST_F(TextTest, FixtureLogsOfEveryForm) {
  std::vector<FixtureLog> logs = FixtureLogsGet(SourcePath(u"text/testdata/logs"));
  ASSERT_GE(logs.size(), 13u);
  for (const FixtureLog& log : logs) {
    TChatFilter filter;
    DictionaryLoad(filter, {log.folder});
    BWListLoad(filter, {log.folder});
    VoiceListLoad(filter, {log.folder});
    LineList lines = LinesSplit(Utf8ToText(FileContentsRead(log.log)));
    TChatOptions options = FixtureOptions(log.args);
    LineList spoken;
    for (const TSpeechPiece& piece :
         ModeSpeechGet({TTextMode::kSecondLifeChat, filter, options, u""}, lines)) {
      Text voice = piece.voice.empty() ? Text() : u"[" + piece.voice + u"] ";
      for (const Text& line : LinesSplit(piece.text)) spoken.push_back(voice + line);
    }
    EXPECT_EQ(spoken, log.spoken) << TextToUtf8(log.log);
    for (const Text& line : LinesSplit(StampTextGet(filter, lines))) {
      EXPECT_NE(line.rfind(u"[", 0), 0u) << TextToUtf8(log.log) << ": " << TextToUtf8(line);
    }
  }
}

struct CutCase {
  const char* name;
  Text text;
  int32_t limit;
  Text expected;
};

TEST(LengthCut, AtTheLastWordBoundaryBeforeTheLimit) {
  const Text japanese = u"\u3042\u3044\u3046\u3048\u304A\u304B\u304D\u304F\u3051\u3053";
  const CutCase cases[] = {
      {"short enough", u"hello there", 11, u"hello there"},
      {"no limit", Text(5000, u'a'), 0, Text(5000, u'a')},
      {"last blank", u"one two three four", 12, u"one two and so on"},
      {"blank right at the limit", u"one two three", 7, u"one two and so on"},
      {"no blank in the second half", u"a bcdefghijklmnop", 10, u"a bcdefghi and so on"},
      {"no blank at all", u"abcdefghijklmnop", 5, u"abcde and so on"},
      {"Japanese without blanks", japanese, 4, japanese.substr(0, 4) + u" and so on"},
      {"Japanese clause end", u"\u3042\u3044\u3001\u3046\u3048\u304A", 4,
       u"\u3042\u3044\u3001 and so on"},
      {"a character is never split", u"ab\U0001F600cd", 3, u"ab and so on"},
      {"blanks before the cut dropped", u"one    two three", 9, u"one and so on"},
  };
  for (const auto& c : cases) EXPECT_EQ(LengthCut(c.text, c.limit), c.expected) << c.name;
}

TEST_F(TextTest, LongMessagesAreCutPerEntryOrPerLine) {
  TChatOptions options;
  options.MaxLength = 10;
  DictionaryWrite("lol\tlaughing out loud\n");
  // After the dictionary, and the message only: the name stays whole.
  EXPECT_EQ(SLChatTextGet(filter_, {u"[18:05]  Jane Doe (jane.doe): lol and more"}, options),
            u"Jane Doe : laughing and so on");
  TTextRequest stamp{TTextMode::kStamp, filter_, options, {}};
  EXPECT_EQ(ModeTextGet(stamp, {u"[18:05]  short", u"[18:05] a long line here"}),
            u" short\r\na long and so on");
}

// Voices.txt: a speaker's own voice, names as the speaker lists take them.
TEST_F(TextTest, VoiceListGivesSpeakersTheirVoices) {
  SideFileWrite(u"Voices.txt",
                "\xEF\xBB\xBF# VORTANE PROJECT KELVORA Voice List Format V 1.0\r\n"
                "Jane Doe\tespeak-ng English\r\nbob.sample\t  Other Voice  \r\nno tab here\r\n"
                "Bad_Name\tX\r\ncarl\t\r\nbob.sample\tLater Voice\r\n");
  VoiceListLoad(filter_, {folder_.Path()});
  EXPECT_EQ(filter_.SpeakerVoices, (std::map<Text, Text>{{u"jane.doe", u"espeak-ng English"},
                                                         {u"bob.sample", u"Later Voice"}}));
  TTextRequest chat{TTextMode::kSecondLifeChat, filter_, {}, {}};
  std::vector<TSpeechPiece> pieces =
      ModeSpeechGet(chat, {u"[18:05]  Jane Doe (jane.doe): hi", u"[18:05]  Ann (ann.example): yo",
                           u"[18:06]  Bob (bob.sample): hey"});
  ASSERT_EQ(pieces.size(), 3u);
  EXPECT_EQ(pieces[0].voice, u"espeak-ng English");
  EXPECT_EQ(pieces[1].voice, u"");
  EXPECT_EQ(pieces[2].voice, u"Later Voice");
  // A wrong header or no file: no voices.
  SideFileWrite(u"Voices.txt", "# wrong\njane.doe\tX\n");
  VoiceListLoad(filter_, {folder_.Path()});
  EXPECT_TRUE(filter_.SpeakerVoices.empty());
  filter_.SpeakerVoices[u"x"] = u"y";
  VoiceListLoad(filter_, {folder_.Join(u"elsewhere")});
  EXPECT_TRUE(filter_.SpeakerVoices.empty());
}

struct MaskCase {
  const char* name;
  LineList lines;
  Text expected;
};

TEST_F(TextTest, StampMode) {
  const MaskCase cases[] = {
      {"one-digit hour", {u"[2013/10/14 9:05] hi there"}, u"hi there"},
      {"timestamp alone dropped", {u"[2013/10/14 21:05] ", u"b"}, u"b"},
      {"no blank behind the bracket", {u"[2013/10/14 21:05]x"}, u"[2013/10/14 21:05]x"},
      {"lines without stamps pass", {u"plain", u"", u"[2013/10/14 21:05]  two"}, u"plain\r\n two"},
  };
  for (const auto& c : cases) EXPECT_EQ(StampTextGet(filter_, c.lines), c.expected) << c.name;
}

TEST_F(TextTest, CustomMaskMode) {
  EXPECT_EQ(RegExTextGet(filter_, {u"xaxbx", u"xx", u"c"}, u"x"), u"ab\r\nc");
  EXPECT_THROW(RegExTextGet(filter_, {u"a"}, u"("), RegexError);
  EXPECT_THROW(RegExTextGet(filter_, {u"a"}, u""), RegexError);
}

TEST_F(TextTest, DictionaryEntriesApplyInFileOrder) {
  DictionaryWrite(
      "brb\tbe right back\nlol\t\n\tabc\nabc\nzz\tb\tc\ncat\tdog\ndog\tbird\nLOL\tlaugh\n"
      "(\\w+)san\t$1 san\n\n");
  ASSERT_EQ(filter_.Dictionary.size(), 7u);
  EXPECT_EQ(filter_.Dictionary[1].dst, u"-");
  EXPECT_EQ(filter_.Dictionary[2].dst, u"b\tc");
  struct {
    Text in, out;
  } cases[] = {{u"brb, ok", u"be right back, ok"},
               {u"lol ok", u"- ok"},
               {u"zz", u"b\tc"},
               {u"cat", u"bird"},
               {u"Annsan", u"Ann san"}};
  for (const auto& c : cases) EXPECT_EQ(DictionaryApply(filter_, c.in), c.out) << TextToUtf8(c.in);
}

// Entries residents write: letter classes, literal dollars and backslashes, optional groups.
TEST_F(TextTest, EverydayEntriesRewriteChat) {
  DictionaryWrite(
      "[Bb]rb\tbe right back\n\\b[Ss][Ll]\\b\tSecond Life\nlindens\tL$\ndir\tC:\\Users\n"
      "yay\t\\o/\n(a)?bee\t[$1]\n");
  struct {
    Text in, out;
  } cases[] = {{u"brb, ok", u"be right back, ok"},
               {u"Brb", u"be right back"},
               {u"in sl today", u"in Second Life today"},
               {u"100 lindens", u"100 L$"},
               {u"dir", u"C:\\Users"},
               {u"yay", u"\\o/"},
               {u"bee abee", u"[] [a]"}};
  for (const auto& c : cases) {
    EXPECT_EQ(DictionaryApply(filter_, c.in), c.out) << TextToUtf8(c.in);
  }
  EXPECT_EQ(SLChatTextGet(filter_, {u"[2013/10/14 21:05]  Ann Example (ann.example): brb, ok"}, {}),
            u"Ann Example : be right back, ok");
}

// A catastrophic entry runs into the match limit on one text: that entry is passed over, the
// others still apply, and nothing is thrown to end the session.
TEST_F(TextTest, EntryHittingTheMatchLimitLeavesTheTextToTheOthers) {
  DictionaryWrite("(a+)+$\tX\nb\tB\n");
  Text text = Text(40, u'a') + u"b!";
  EXPECT_EQ(DictionaryApply(filter_, text), Text(40, u'a') + u"B!");
  EXPECT_EQ(RegExTextGet(filter_, {Text(40, u'a') + u"!"}, u"(a+)+$"), Text(40, u'a') + u"!");
}

// Found by fuzzing: entries matching the empty string multiplied the text at every entry.
TEST_F(TextTest, EntriesCannotGrowATextWithoutBound) {
  std::string body;
  for (int i = 0; i < 12; ++i) body += "x*|y\t<a long replacement of some length>\n";
  body += "lol\tlaughing out loud\n";
  DictionaryWrite(body);
  Text text;
  for (int i = 0; i < 100; ++i) text += u"lol ";
  Text out = DictionaryApply(filter_, text);
  EXPECT_LE(out.size(), text.size() * kDictionaryGrowth + 4096);
  EXPECT_NE(out.find(u"laughing out loud"), Text::npos);  // the ordinary entry still applies
}

TEST_F(TextTest, CustomMaskIsCheckedAtStart) {
  EXPECT_NO_THROW(CustomMaskCheck(kStampMask));
  for (const Text mask : {u"(", u"\\C", u""}) {
    try {
      CustomMaskCheck(mask);
      ADD_FAILURE() << "accepted " << TextToUtf8(mask);
    } catch (const RegexError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Custom(RegEx) mask: Regular expression", 0), 0u);
    }
  }
}

TEST_F(TextTest, DictionaryKeepsItsTableWhenTheFileIsUnusable) {
  DictionaryWrite("cat\tdog\n");
  ASSERT_EQ(filter_.Dictionary.size(), 1u);
  const std::string unusable[] = {
      "# VORTANE PROJECT KELVORA Dictionary Format V 1.1\nx\ty\n",
      "# VORTANE PROJECT KELVORA Dictionary Format V 1.0 \nx\ty\n",
      "# VORTANE PROJECT KELVORA Dictionary Format V 1.0\n",
  };
  for (const auto& contents : unusable) {
    SideFileWrite(u"Dictionary.txt", contents);
    DictionaryLoad(filter_, {folder_.Path()});
    ASSERT_EQ(filter_.Dictionary.size(), 1u) << contents;
    EXPECT_EQ(filter_.Dictionary[0].src, u"cat");
  }
  // A byte-order mark and CR line ends are fine; the new table replaces the old one whole.
  SideFileWrite(u"Dictionary.txt",
                "\xEF\xBB\xBF# VORTANE PROJECT KELVORA Dictionary Format V 1.0\rx\ty\r");
  DictionaryLoad(filter_, {folder_.Path()});
  ASSERT_EQ(filter_.Dictionary.size(), 1u);
  EXPECT_EQ(filter_.Dictionary[0].src, u"x");
}

// The templates the packages ship: their headers are the ones the loaders accept, and every
// entry of the starter dictionary says what residents want to hear.
TEST_F(TextTest, ShippedTemplatesLoad) {
  Text templates = SourcePath(u"packaging/templates");
  DictionaryLoad(filter_, {templates});
  struct {
    Text chat, spoken;
  } cases[] = {
      {u"L$500 or L$ 1,000", u"500 Linden dollars or 1,000 Linden dollars"},
      {u"costs L$", u"costs Linden dollars"},
      {u"soooooo good!!!!!!", u"sooo good!!!"},
      {u"10000 prims", u"10000 prims"},
      {u"SL is fun, SLURL stays", u"Second Life is fun, SLURL stays"},
      {u"brb", u"be right back"},
      {u"AFK", u"away from keyboard"},
      {u"lol", u"laughing out loud"},
      {u"rofl", u"rolling on the floor laughing"},
      {u"Ty", u"thank you"},
      {u"tyvm", u"thank you very much"},
      {u"thx", u"thanks"},
      {u"np", u"no problem"},
      {u"OMG", u"oh my god"},
      {u"imo", u"in my opinion"},
      {u"imho", u"in my humble opinion"},
      {u"btw", u"by the way"},
      {u"idk", u"I don't know"},
      {u"gtg", u"got to go"},
      {u"wb", u"welcome back"},
      {u"nvm", u"never mind"},
      {u"jk", u"just kidding"},
      {u"pls plz", u"please please"},
      {u"tp me", u"teleport me"},
      {u"typing lollipop", u"typing lollipop"},
  };
  for (const auto& c : cases) EXPECT_EQ(DictionaryApply(filter_, c.chat), c.spoken);
  EXPECT_GE(filter_.Dictionary.size(), 22u);
  // Links are said short before the dictionary reads the text; it no longer sees them whole.
  EXPECT_EQ(
      SLChatTextGet(filter_,
                    {u"[2025/11/14 18:05]  Ann (ann.example): brb, see "
                     u"https://www.example.com/a?b=c or secondlife:///app/teleport/Ahern/1/2/3"},
                    TChatOptions{}),
      u"Ann : be right back, see link to example.com or place Ahern");
  for (const char16_t* list : {u"WhiteList.txt", u"BlackList.txt"}) {
    filter_.UserList.clear();
    SideFileWrite(list, FileContentsRead(PathJoin(templates, list)) + "ann.example\r\n");
    BWListLoad(filter_, {folder_.Path()});
    EXPECT_EQ(filter_.UserList, std::set<Text>{u"ann.example"}) << TextToUtf8(list);
  }
  SideFileWrite(u"Voices.txt",
                FileContentsRead(PathJoin(templates, u"Voices.txt")) + "ann.example\tEnglish\r\n");
  VoiceListLoad(filter_, {folder_.Path()});
  EXPECT_EQ(filter_.SpeakerVoices.size(), 1u);
}

// A bad entry stops START (the load) with one error naming the file, the line, the pattern and
// the library's reason; the table stays as it was.
TEST_F(TextTest, BadEntriesFailAtLoadNamingFileLineAndPattern) {
  DictionaryWrite("cat\tdog\n");
  struct {
    std::string body;
    std::string expected;  // in the message
  } cases[] = {
      {"ok\tfine\n(unclosed\tx\n", "line 3: Regular expression \"(unclosed\": missing closing"},
      {"(a)\t$2\n", "line 2: Regular expression \"(a)\": the replacement \"$2\" refers to group 2"},
      {"a\t${who}\n", "names group \"who\", which the pattern does not have"},
      {"^\\C\tX\n", "line 2: Regular expression \"^\\C\": using \\C is disabled"},
  };
  for (const auto& c : cases) {
    SideFileWrite(u"Dictionary.txt",
                  "# VORTANE PROJECT KELVORA Dictionary Format V 1.0\n" + c.body);
    try {
      DictionaryLoad(filter_, {folder_.Path()});
      ADD_FAILURE() << "loaded " << c.body;
    } catch (const RegexError& e) {
      std::string message = e.what();
      EXPECT_EQ(message.rfind(TextToUtf8(folder_.Join(u"Dictionary.txt")) + ", ", 0), 0u)
          << message;
      EXPECT_NE(message.find(c.expected), std::string::npos) << message;
    }
    ASSERT_EQ(filter_.Dictionary.size(), 1u);
    EXPECT_EQ(filter_.Dictionary[0].src, u"cat");
  }
}

TEST_F(TextTest, DictionaryRewritesMessagesNotNames) {
  DictionaryWrite("Ann\tAnna\n^\tSays \nhi\t\n");
  EXPECT_EQ(SLChatTextGet(filter_, {u"[2013/10/14 21:05]  Ann Example (ann.example): hi Ann"}, {}),
            u"Ann Example : Says - Anna");
  // In the mask modes "^" anchors at the start of the whole text only.
  EXPECT_EQ(StampTextGet(filter_, {u"[2013/10/14 21:05] a", u"[2013/10/14 21:05] b"}),
            u"Says a\r\nb");
}

TEST_F(TextTest, MessageEmptiedByTheDictionaryIsDropped) {
  // Group 1 never takes part: the whole message is replaced by nothing.
  DictionaryWrite("^.*$|(x)\t$1\n");
  EXPECT_EQ(SLChatTextGet(filter_, {u"[2013/10/14 21:05]  ann: hi"}, {}), u"");
}

TEST_F(TextTest, ListNamesAreNormalised) {
  ListWrite(u"BlackList.txt",
            "Ann Example\r\nANN.EXAMPLE\r\n \tbob \t\r\nann_example\r\nAnn Middle Example\r\n\r\n");
  BWListLoad(filter_, {folder_.Path()});
  EXPECT_FALSE(filter_.WhiteListMode);
  EXPECT_EQ(filter_.UserList, (std::set<Text>{u"ann.example", u"bob"}));
  // Each line that can never match is noted once, by its line number; blank lines are not.
  EXPECT_EQ(filter_.UserListNotes, (LineList{u"line 5 of BlackList.txt is not a user name",
                                             u"line 6 of BlackList.txt is not a user name"}));
}

// Each side file from the first folder that holds it.
TEST_F(TextTest, SideFilesComeFromTheFirstFolderHoldingThem) {
  TempFolder user;
  FileWrite(PathJoin(user.Path(), u"Dictionary.txt"),
            "# VORTANE PROJECT KELVORA Dictionary Format V 1.0\nbrb\tmine\n");
  DictionaryWrite("brb\tthe program's\n");
  ListWrite(u"BlackList.txt", "bob\n");
  DictionaryLoad(filter_, {user.Path(), folder_.Path()});
  BWListLoad(filter_, {user.Path(), folder_.Path()});
  EXPECT_EQ(DictionaryApply(filter_, u"brb"), u"mine");
  EXPECT_EQ(filter_.UserList, std::set<Text>{u"bob"});
  EXPECT_EQ(SideFilePath({user.Path(), folder_.Path()}, u"Voices.txt"), u"");
}

TEST_F(TextTest, WhiteListWinsOverBlackList) {
  ListWrite(u"WhiteList.txt", "ann.example\n");
  ListWrite(u"BlackList.txt", "bob.sample\n");
  BWListLoad(filter_, {folder_.Path()});
  EXPECT_TRUE(filter_.WhiteListMode);
  EXPECT_EQ(SLChatTextGet(filter_,
                          {u"[2013/10/14 21:05]  Ann Example (ann.example): hi",
                           u"[2013/10/14 21:05]  Bob Sample (bob.sample): yo",
                           u"[2013/10/14 21:05]  Carl Other (carl.other): hey", u"no speaker"},
                          {}),
            u"Ann Example : hi");
  // The mask modes never filter.
  EXPECT_EQ(StampTextGet(filter_, {u"[2013/10/14 21:05]  Bob Sample (bob.sample): yo"}),
            u" Bob Sample (bob.sample): yo");
}

TEST_F(TextTest, BlackListSilencesByUserName) {
  ListWrite(u"BlackList.txt", "Ann Example\n");
  BWListLoad(filter_, {folder_.Path()});
  EXPECT_EQ(SLChatTextGet(filter_, {u"[2013/10/14 21:05]  Ann Example (ann.example): hi"}, {}),
            u"");
  // With display names off the viewer writes the legacy name, which stands for the same user.
  EXPECT_EQ(SLChatTextGet(filter_, {u"[2013/10/14 21:05]  Ann Example: hi"}, Options(0, 0, false)),
            u"");
}

TEST_F(TextTest, NoListFilesFilterNobody) {
  ListWrite(u"WhiteList.txt", "ann.example\n");
  BWListLoad(filter_, {folder_.Path()});
  BWListLoad(filter_, {folder_.Join(u"elsewhere")});
  EXPECT_FALSE(filter_.WhiteListMode);
  EXPECT_TRUE(filter_.UserList.empty());
  EXPECT_EQ(SLChatTextGet(filter_, {u"[2013/10/14 21:05]  ann: hi"}, {}), u"ann : hi");
}

struct NoticeCase {
  const char* name;
  const char* file;
  std::string body;
  Text avatar;
  Text expected;
};

TEST_F(TextTest, ListNotice) {
  const Text white = u"Your white list is empty, so KEL VOR A. speaks nothing.";
  const Text black =
      u"User Name was added to your black list. so KEL VOR A. does not speak what you type.";
  const NoticeCase cases[] = {
      {"empty white list", "WhiteList.txt", "", u"ann_example", white},
      {"white list with the placeholder only", "WhiteList.txt", "user.name\n", u"x", white},
      {"white list with a real name", "WhiteList.txt", "user.name\nann.example\n", u"x", u""},
      {"own name on the black list", "BlackList.txt", "Ann Example\n", u"Ann_Example", black},
      {"own name not on the black list", "BlackList.txt", "bob\n", u"ann_example", u""},
      {"no lists", "Other.txt", "", u"ann_example", u""},
  };
  for (const auto& c : cases) {
    TempFolder folder;
    FileWrite(PathJoin(folder.Path(), Utf8ToText(c.file)),
              "# VORTANE PROJECT KELVORA User List Format V 1.0\n" + c.body);
    BWListLoad(filter_, {folder.Path()});
    EXPECT_EQ(BWListText(filter_, c.avatar, u"KEL VOR A."), c.expected) << c.name;
  }
  // A wrong header gives an empty white list, which silences everybody.
  SideFileWrite(u"WhiteList.txt", "# wrong header\nann.example\n");
  BWListLoad(filter_, {folder_.Path()});
  EXPECT_TRUE(filter_.UserList.empty());
  EXPECT_EQ(BWListText(filter_, u"ann_example", u"X."),
            u"Your white list is empty, so X. speaks nothing.");
  EXPECT_EQ(SLChatTextGet(filter_, {u"[2013/10/14 21:05]  Ann Example (ann.example): hi"}, {}),
            u"");
}

}  // namespace

namespace {

// The options with one of the text forms changed.
template <auto Field, typename Value>
TChatOptions With(Value value) {
  TChatOptions options;
  options.*Field = value;
  return options;
}

TEST_F(TextTest, ChatSaidAsMeant) {
  const Text stamp = u"[2025/11/14 18:05]  ";
  const ChatCase cases[] = {
      {"decorated display name, Second Life form",
       {stamp + u"𝓢𝓪𝓻𝓪𝓱 ✨ (sarah.belle): hi 😀😀"},
       u"Sarah sparkles : hi grinning face"},
      {"decorated display name, Firestorm's legacy form",
       {stamp + u"Ｓａｒａｈ (Sarah Belle): ⓗⓘ there"},
       u"Sarah : hi there"},
      {"decorated name by user name: the user name as it is",
       {stamp + u"𝕊𝕒𝕣𝕒𝕙 (sarah.belle): hi"},
       u"sarah belle : hi",
       Options(0, 1, true)},
      {"a mention and a place in an emote",
       {stamp + u"Ann (ann.example): /me hugs [@Bob Sample](secondlife:///app/agent/0b8c/mention) "
                u"at http://maps.secondlife.com/secondlife/Ahern/1/2/3"},
       u"Ann hugs Bob Sample at place Ahern"},
      {"a mention before a translation",
       {stamp + u"Ann (ann.example): hi [@Bob](secondlife:///app/agent/0b8c/mention) 👋 (salut)"},
       u"Ann : salut",
       Options(1, 0, true)},
      {"letters as written",
       {stamp + u"Ann (ann.example): 𝓱𝓲"},
       u"Ann : 𝓱𝓲",
       With<&TChatOptions::PlainLetters>(false)},
      {"emoji dropped",
       {stamp + u"Ann (ann.example): 😀 hi 🇩🇪"},
       u"Ann : hi",
       With<&TChatOptions::Emoji>(TEmojiMode::kDropped)},
      {"emoji in the voice's language",
       {stamp + u"Ann (ann.example): 🇩🇪"},
       u"Ann : Deutschland",
       With<&TChatOptions::EmojiLanguage>(Text(u"de"))},
      {"links as written",
       {stamp + u"Ann (ann.example): www.example.com"},
       u"Ann : www.example.com",
       With<&TChatOptions::Links>(false)},
      {"a message that is only an emoji, dropped",
       {stamp + u"Ann (ann.example): 😀", stamp + u"Bob (bob.sample): yo"},
       u"Bob : yo",
       With<&TChatOptions::Emoji>(TEmojiMode::kDropped)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SLChatTextGet(filter_, c.lines, c.options), c.expected) << c.name;
  }
  // The dictionary reads the plain text: an entry for "Sarah" matches the decorated name's line.
  DictionaryWrite("\\bhi\\b\thello\n");
  EXPECT_EQ(
      ModeTextGet({TTextMode::kStamp, filter_, TChatOptions{}}, {u"[2025/11/14 18:05] ｈｉ 𝓱𝓲 🔥"}),
      u"hello hello fire");
  EXPECT_EQ(ModeTextGet({TTextMode::kCustom, filter_, TChatOptions{}, u"^\\[[^\\]]*\\]\\s*"},
                        {stamp + u"ʜɪ www.example.com/x"}),
            u"hello link to example.com");
}

TEST_F(TextTest, ObjectsApartFromPeople) {
  const Text stamp = u"[2025/11/14 18:05]  ";
  const struct {
    const char* kind;
    Text line;
    bool object;
  } cases[] = {
      {"display name and user name", u"Jane (jane.doe): hi", false},
      {"Firestorm's legacy name in parentheses", u"Cool Name (Jane Doe): hi", false},
      {"legacy name", u"Jane Doe: hi", false},
      {"resident's legacy name", u"janedoe Resident: hi", false},
      {"an object of three words", u"Magic Dance Ball: hi", true},
      {"an object with punctuation", u"[AV] Tip Jar 2.0: thanks", true},
      {"an object with colons", u".%3A%3AKitty%3A%3A. Vendor: thank you", true},
      {"an object of two words: a legacy name by its form", u"Magic Box: hi", false},
      {"an object of one word: a user name by its form", u"Tipjar: hi", false},
      {"the viewer's notices", u"Second Life: Teleport completed", false},
  };
  for (const auto& c : cases) {
    std::vector<TSpeechPiece> pieces =
        ModeSpeechGet({TTextMode::kSecondLifeChat, filter_, TChatOptions{}}, {stamp + c.line});
    ASSERT_EQ(pieces.size(), 1u) << c.kind;
    EXPECT_EQ(pieces[0].object, c.object) << c.kind;
    if (c.object) {
      EXPECT_FALSE(AutoVoiceWanted(pieces[0])) << c.kind;
    }
    std::vector<TSpeechPiece> silenced =
        ModeSpeechGet({TTextMode::kSecondLifeChat, filter_, With<&TChatOptions::Objects>(false)},
                      {stamp + c.line});
    EXPECT_EQ(silenced.size(), c.object ? 0u : 1u) << c.kind;
  }
}

}  // namespace

namespace {

// Options with IMs and groups spoken and your names set.
TChatOptions ConversationOptions(TMentionsMode mentions = TMentionsMode::kFirst) {
  TChatOptions options;
  options.SpeakGroups = true;
  options.MyNames = MyNamesParse(u"zoe.example, Zoe");
  options.Mentions = mentions;
  return options;
}

TEST_F(TextTest, ConversationsAndMentions) {
  const Text stamp = u"[2025/11/14 18:05]  ";
  TChatOptions imsOff = ConversationOptions(), groupsOff = ConversationOptions(),
               onlyMentions = ConversationOptions(TMentionsMode::kOnly),
               mentionsAsAny = ConversationOptions(TMentionsMode::kAsAny);
  imsOff.SpeakIMs = false;
  groupsOff.SpeakGroups = false;
  TChatOptions imTranscript = ConversationOptions(), conference = ConversationOptions(),
               transcriptsFollowed = ConversationOptions();
  imTranscript.Source = TConversationKind::kIm;
  conference.Source = TConversationKind::kConference;
  conference.SourceName = u"Ann Example Conference";
  transcriptsFollowed.CopiesSpoken = false;
  const struct {
    const char* kind;
    Text line;
    Text spoken;  // empty: not spoken
    Text speaker = {};
    bool forYou = false;
    TChatOptions options = ConversationOptions();
  } cases[] = {
      {"Firestorm's IM copy", u"IM%3A Jane Doe: hi there", u"IM, Jane Doe : hi there", u"jane.doe"},
      {"an IM copy with a display name", u"IM%3A Cool Name (jane.doe): /me waves",
       u"IM, Cool Name waves", u"jane.doe"},
      {"a group's copy", u"IM%3A [Builders Guild] Cool Name (jane.doe): meeting at 5",
       u"Builders Guild, Cool Name : meeting at 5", u"jane.doe"},
      {"a group whose name the log escapes", u"IM%3A [Club%3A Night] Bob Sample: hi",
       u"Club: Night, Bob Sample : hi", u"bob.sample"},
      {"IMs off", u"IM%3A Jane Doe: hi there", u"", {}, false, imsOff},
      {"groups off", u"IM%3A [Builders Guild] Jane Doe: hi", u"", {}, false, groupsOff},
      {"an IM transcript", u"Jane Doe: hi", u"IM, Jane Doe : hi", u"jane.doe", false, imTranscript},
      {"a conference", u"Jane Doe: hi", u"Ann Example Conference, Jane Doe : hi", u"jane.doe",
       false, conference},
      // The transcripts speak these: their copies are not spoken twice.
      {"an IM copy beside its transcript", u"IM%3A Jane Doe: hi", u"", {}, false,
       transcriptsFollowed},
      {"a group copy beside its transcript", u"IM%3A [Builders Guild] Jane Doe: hi", u"", {},
       false, transcriptsFollowed},
      {"nearby beside the transcripts", u"Jane Doe: hi", u"Jane Doe : hi", u"jane.doe", false,
       transcriptsFollowed},
      {"nearby chat has no prefix", u"Jane Doe: hi", u"Jane Doe : hi", u"jane.doe"},
      // Lines for you.
      {"your first name", u"Bob Sample: Zoe, are you there?", u"Bob Sample : Zoe, are you there?",
       u"bob.sample", true},
      {"a mention link", u"Bob Sample: hi [@Zoe Example](secondlife:///app/agent/0b8c/mention)",
       u"Bob Sample : hi Zoe Example", u"bob.sample", true},
      {"in an IM", u"IM%3A Bob Sample: zoe?", u"IM, Bob Sample : zoe?", u"bob.sample", true},
      {"a longer name", u"Bob Sample: hi Zoey", u"Bob Sample : hi Zoey", u"bob.sample"},
      {"your own line", u"Zoe (zoe.example): I am Zoe", u"Zoe : I am Zoe", u"zoe.example"},
      {"mentions as any line", u"Bob Sample: hi Zoe", u"Bob Sample : hi Zoe", u"bob.sample", false,
       mentionsAsAny},
      // Only what concerns you.
      {"nearby, not for you", u"Bob Sample: hi all", u"", {}, false, onlyMentions},
      {"nearby, for you", u"Bob Sample: hi Zoe", u"Bob Sample : hi Zoe", u"bob.sample", true,
       onlyMentions},
      {"a group, not for you",
       u"IM%3A [Builders Guild] Bob Sample: hi all",
       u"",
       {},
       false,
       onlyMentions},
      {"an IM always", u"IM%3A Bob Sample: hi", u"IM, Bob Sample : hi", u"bob.sample", false,
       onlyMentions},
      {"the viewer's notices", u"Second Life: Teleport completed", u"", {}, false, onlyMentions},
  };
  for (const auto& c : cases) {
    std::vector<TChatEntry> entries = SLChatEntriesGet(filter_, {stamp + c.line}, c.options);
    if (c.spoken.empty()) {
      EXPECT_TRUE(entries.empty()) << c.kind;
      continue;
    }
    ASSERT_EQ(entries.size(), 1u) << c.kind;
    EXPECT_EQ(entries[0].text, c.spoken) << c.kind;
    EXPECT_EQ(entries[0].speaker, c.speaker) << c.kind;
    EXPECT_EQ(entries[0].forYou, c.forYou) << c.kind;
  }
  // Said again by the same speaker, a line keeps its conversation.
  std::vector<TChatEntry> im =
      SLChatEntriesGet(filter_, {stamp + u"IM%3A Jane Doe: hi"}, ConversationOptions());
  ASSERT_EQ(im.size(), 1u);
  EXPECT_EQ(im[0].bare, u"IM, hi");
}

TEST_F(TextTest, GroupsTxtNamesTheGroupsSpoken) {
  const Text line = u"[2025/11/14 18:05]  IM%3A [Builders Guild] Bob Sample: hi";
  const struct {
    const char* kind;
    std::string file;
    bool spoken;
    size_t notes;
  } cases[] = {
      {"no file: every group", "", true, 0},
      {"the group, in any case",
       "# VORTANE PROJECT KELVORA Group List Format V 1.0\n  builders guild \n", true, 0},
      {"another group", "# VORTANE PROJECT KELVORA Group List Format V 1.0\nDance Club\n", false,
       0},
      {"a header alone: every group", "# VORTANE PROJECT KELVORA Group List Format V 1.0\n", true,
       0},
      {"a wrong header: every group, and said", "# Groups\nDance Club\n", true, 1},
  };
  for (const auto& c : cases) {
    if (!c.file.empty()) SideFileWrite(u"Groups.txt", c.file);
    GroupListLoad(filter_, {folder_.Path()});
    EXPECT_EQ(SLChatEntriesGet(filter_, {line}, ConversationOptions()).size(), c.spoken ? 1u : 0u)
        << c.kind;
    EXPECT_EQ(filter_.GroupListNotes.size(), c.notes) << c.kind;
  }
  // A conference is no group: Groups.txt does not keep it quiet.
  FileWrite(folder_.Join(u"Groups.txt"),
            "# VORTANE PROJECT KELVORA Group List Format V 1.0\nDance Club\n");
  GroupListLoad(filter_, {folder_.Path()});
  TChatOptions conference = ConversationOptions();
  conference.Source = TConversationKind::kConference;
  conference.SourceName = u"Ann Example Conference";
  EXPECT_EQ(SLChatEntriesGet(filter_, {u"[18:05]  Bob Sample: hi"}, conference).size(), 1u);
}

}  // namespace
