#include "speech/uSpeechLib.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "speech/testing/scripted.h"
#include "speech/testing/speech_testing.h"

namespace {

class VoiceEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ScriptedClassRegister(kSpeechPlatformClassId, platform_);
    ScriptedClassRegister(kSapi5ClassId, sapi5_);
    SpeechHandlersSet(Handlers());
  }
  TSpeechHandlers Handlers() {
    TSpeechHandlers handlers;
    handlers.trouble = [this](const std::string& reason) { troubles_.push_back(reason); };
    return handlers;
  }
  static std::vector<std::string> Spoken(const ScriptedEngine& engine) {
    std::vector<std::string> texts;
    for (const auto& s : engine.spoken) texts.push_back(s.text);
    return texts;
  }
  void TearDown() override {
    SpeechClose();
    SpeechRelease();
  }
  void Open(std::vector<Text> platformVoices, std::vector<Text> sapi5Voices) {
    platform_->voiceNames = std::move(platformVoices);
    sapi5_->voiceNames = std::move(sapi5Voices);
    opened_ = SpeechOpen();
  }
  // One SAPI 5 voice speaking in the test's time (now_), for the engine's NameRepeat clock too.
  void OpenClocked(double secondsPerCharacter) {
    sapi5_->clock = [this] { return now_; };
    sapi5_->secondsPerCharacter = secondsPerCharacter;
    TSpeechHandlers handlers = Handlers();
    handlers.seconds = [this] { return now_; };
    SpeechHandlersSet(handlers);
    Open({}, {u"S0"});
  }
  void Advance(double to) {
    now_ = to;
    sapi5_->ClockAdvanced();
    SpeechEventsRun();
  }

  std::shared_ptr<ScriptedEngine> platform_ = std::make_shared<ScriptedEngine>();
  std::shared_ptr<ScriptedEngine> sapi5_ = std::make_shared<ScriptedEngine>();
  bool opened_ = false;
  double now_ = 0;
  std::vector<std::string> troubles_;
};

TEST_F(VoiceEngineTest, MergesBothEnginesPlatformFirst) {
  Open({u"P0", u"P1"}, {u"S0", u"S1", u"S2"});
  EXPECT_TRUE(opened_);
  ASSERT_EQ(Voices().size(), 5u);
  const std::tuple<int, int, Text> expected[] = {
      {11, 0, u"P0"}, {11, 1, u"P1"}, {5, 0, u"S0"}, {5, 1, u"S1"}, {5, 2, u"S2"}};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(Voices()[i].Version, std::get<0>(expected[i]));
    EXPECT_EQ(Voices()[i].index, std::get<1>(expected[i]));
    EXPECT_EQ(Voices()[i].name, std::get<2>(expected[i]));
  }
  // The Speech Platform names its voices by attribute, SAPI 5 by description.
  EXPECT_EQ(platform_->CallsOf("GetAttribute").size(), 2u);
  EXPECT_EQ(platform_->CallsOf("GetAttribute")[0], "GetAttribute Name");
  EXPECT_EQ(sapi5_->CallsOf("GetDescription 0").size(), 3u);
}

TEST_F(VoiceEngineTest, MissingEnginesAddNoVoices) {
  platform_->createFails = true;
  Open({u"P0"}, {u"S0"});
  ASSERT_TRUE(opened_);
  ASSERT_EQ(Voices().size(), 1u);
  EXPECT_EQ(Voices()[0].Version, 5);
  TearDown();
  platform_->createFails = false;
  platform_->getVoicesFails = true;
  sapi5_->createFails = true;
  Open({u"P0"}, {u"S0"});
  EXPECT_FALSE(opened_);
  EXPECT_TRUE(Voices().empty());
  sapi5_->calls.clear();
  EXPECT_FALSE(SpeechSay(u"hello", 0, 100, 0));
  EXPECT_FALSE(SpeechSayNotice(u"<x/>", u"x", 0, 100, 0));
  SpeechPurge();
  EXPECT_EQ(SpeechGetVolume(0), 0);
  EXPECT_EQ(SpeechGetRate(0), 0);
  EXPECT_TRUE(platform_->CallsOf("Speak").empty());
}

// A voice whose name cannot be read ends its engine's list there; the others serve.
TEST_F(VoiceEngineTest, UnreadableNameEndsThatEnginesList) {
  platform_->voiceNames = {u"P0", u"P1"};
  sapi5_->voiceNames = {u"S0", u"S1", u"S2"};
  sapi5_->nameFailsAt = 1;
  EXPECT_TRUE(SpeechOpen());
  EXPECT_FALSE(SpeechOpenComplete());
  ASSERT_EQ(Voices().size(), 3u);
  EXPECT_EQ(Voices()[2].name, u"S0");
  TearDown();
  platform_->nameFailsAt = 0;
  sapi5_->nameFailsAt = -1;
  EXPECT_TRUE(SpeechOpen());
  EXPECT_FALSE(SpeechOpenComplete());
  EXPECT_EQ(Voices().size(), 3u);
  TearDown();
  platform_->nameFailsAt = -1;
  EXPECT_TRUE(SpeechOpen());
  EXPECT_TRUE(SpeechOpenComplete());
}

struct ClampCase {
  int32_t index, volume, rate;
  std::string engineCallsPrefix;
  std::vector<std::string> calls;
};

// Voices.txt names a voice as the user remembers it: case, the engine's suffix and the end of
// the name may differ from what the voice box shows.
TEST_F(VoiceEngineTest, VoiceFoundByNameAsUsersWriteIt) {
  Open({u"English (America) (speech-dispatcher)", u"Japanese (speech-dispatcher)"},
       {u"English (America) (espeak-ng)", u"English (Great Britain) (espeak-ng)",
        u"Microsoft Zira Desktop - English (United States)"});
  const struct {
    Text name;
    int32_t index;
  } cases[] = {
      {u"English (America) (espeak-ng)", 2},
      {u"english (america) (ESPEAK-NG)", 2},
      {u"English (America)", 0},  // without the suffix: the first of that name
      {u"english (great britain)", 3},
      {u"English (Great", 3},  // the start of a name
      {u"Japanese", 1},
      {u"  Japanese (speech-dispatcher) ", 1},
      {u"Microsoft Zira Desktop", 4},
      {u"Microsoft Zira Desktop - English (United States)", 4},
      {u"Microsoft Zira Desktop - English", 4},
      {u"Zira", -1},
      {u"French", -1},
      {u"", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(VoiceFind(c.name), c.index) << TextToUtf8(c.name);
}

TEST_F(VoiceEngineTest, ClampsIndexVolumeAndRate) {
  Open({u"P0"}, {u"S0", u"S1"});
  const ClampCase cases[] = {
      {-1,
       150,
       12,
       "P",
       {"SetVoice 0", "SetVolume 100", "SetRate 10", SpeakCall(kSpeakPlain, "hi")}},
      {9, -5, -20, "S", {"SetVoice 1", "SetVolume 0", "SetRate -10", SpeakCall(kSpeakPlain, "hi")}},
      {1, 40, -3, "S", {"SetVoice 0", "SetVolume 40", "SetRate -3", SpeakCall(kSpeakPlain, "hi")}},
  };
  for (const auto& c : cases) {
    platform_->calls.clear();
    sapi5_->calls.clear();
    EXPECT_TRUE(SpeechSay(u"hi", c.index, c.volume, c.rate));
    const auto& calls = c.engineCallsPrefix == "P" ? platform_->calls : sapi5_->calls;
    EXPECT_EQ(calls, c.calls) << c.index;
  }
  int32_t index = 7, volume = 101, rate = -11;
  SpeechClamp(index, volume, rate);
  EXPECT_EQ(std::tie(index, volume, rate), std::make_tuple(2, 100, -10));
}

TEST_F(VoiceEngineTest, PlainTextIsNeverMarkupAndNoticesUseMarkup) {
  Open({}, {u"S0"});
  EXPECT_TRUE(SpeechSay(u"<silence msec=\"9999\"/>", 0, 100, 0));
  EXPECT_TRUE(SpeechSayNotice(u"<pron sym=\"k\"/>", u"k", 0, 100, 0));
  EXPECT_EQ(sapi5_->CallsOf("Speak"),
            (std::vector<std::string>{SpeakCall(kSpeakPlain, "<silence msec=\"9999\"/>"),
                                      SpeakCall(kSpeakXml, "<pron sym=\"k\"/>")}));
}

// A voice that refuses markup speaks the notice's plain text, with the voice, volume and rate.
TEST_F(VoiceEngineTest, RefusedMarkupSpeaksThePlainText) {
  sapi5_->refuses = [](TextView, int32_t flags) { return (flags & kFlagIsXml) != 0; };
  Open({}, {u"S0", u"S1"});
  EXPECT_TRUE(SpeechSayNotice(u"<pron sym=\"x\"/>", u"x", 1, 30, 4));
  EXPECT_EQ(SpeechGetVolume(1), 30);
  EXPECT_EQ(SpeechGetRate(1), 4);
  EXPECT_EQ(sapi5_->CallsOf("SetVoice"), std::vector<std::string>{"SetVoice 1"});
  EXPECT_EQ(sapi5_->CallsOf("Speak").back(), SpeakCall(kSpeakPlain, "x"));
  EXPECT_TRUE(troubles_.empty());
}

// What cannot be spoken is dropped and told once for its engine, until a text of it is spoken
// again; the queue goes on with the next.
TEST_F(VoiceEngineTest, FailuresAreToldOncePerEngineAndTheQueueGoesOn) {
  Open({u"P0"}, {u"S0"});
  sapi5_->setVoiceFails = true;
  EXPECT_TRUE(SpeechSay(u"x", 1, 100, 0));
  EXPECT_TRUE(SpeechSay(u"y", 1, 100, 0));
  EXPECT_EQ(troubles_, std::vector<std::string>{"scripted: SetVoice failed"});
  EXPECT_TRUE(SpeechSay(u"on the other engine", 0, 100, 0));
  EXPECT_EQ(platform_->CallsOf("Speak").size(), 1u);
  sapi5_->setVoiceFails = false;
  EXPECT_TRUE(SpeechSay(u"spoken", 1, 100, 0));
  SpeechEventsRun();
  sapi5_->refuses = [](TextView, int32_t) { return true; };
  EXPECT_TRUE(SpeechSay(u"refused", 1, 100, 0));
  EXPECT_EQ(troubles_.size(), 2u);
  EXPECT_FALSE(SpeechBusy());
}

// Skip stops whatever speaks, on both engines, and empties the queue; a failing purge is
// ignored.
TEST_F(VoiceEngineTest, PurgeStopsEveryEngineAndTheQueue) {
  platform_->clock = [] { return 0.0; };
  platform_->secondsPerCharacter = 1;
  Open({u"P0"}, {u"S0"});
  SpeechSay(u"long", 0, 100, 0);
  SpeechSay(u"waits", 1, 100, 0);
  platform_->calls.clear();
  sapi5_->calls.clear();
  SpeechPurge();
  EXPECT_EQ(sapi5_->calls, std::vector<std::string>{SpeakCall(kSpeakPurge, ".")});
  EXPECT_EQ(platform_->calls, std::vector<std::string>{SpeakCall(kSpeakPurge, ".")});
  EXPECT_FALSE(SpeechBusy());
  sapi5_->refuses = [](TextView, int32_t) { return true; };
  SpeechPurge();
}

TEST_F(VoiceEngineTest, VoicesOfOneEngineShareItsObject) {
  Open({}, {u"S0", u"S1"});
  EXPECT_TRUE(SpeechSay(u"x", 0, 40, 2));
  EXPECT_EQ(SpeechGetVolume(1), 40);
  EXPECT_EQ(SpeechGetRate(1), 2);
}

// One text speaks at a time whichever engine it needs: a text for the other engine waits until
// the end of the one being spoken is reported.
TEST_F(VoiceEngineTest, OneSpeakerAtATimeAcrossEngines) {
  double now = 0;
  platform_->clock = sapi5_->clock = [&] { return now; };
  platform_->secondsPerCharacter = sapi5_->secondsPerCharacter = 1;
  Open({u"P0"}, {u"S0"});
  SpeechSay(u"first", 0, 100, 0);
  SpeechSay(u"second", 1, 100, 0);
  SpeechSay(u"third", 0, 100, 0);
  SpeechEventsRun();
  EXPECT_EQ(Spoken(*platform_), std::vector<std::string>{"first"});
  EXPECT_TRUE(sapi5_->spoken.empty());
  now = 5;
  platform_->ClockAdvanced();
  SpeechEventsRun();
  EXPECT_EQ(Spoken(*sapi5_), std::vector<std::string>{"second"});
  EXPECT_EQ(Spoken(*platform_).size(), 1u);
  now = 11;
  sapi5_->ClockAdvanced();
  SpeechEventsRun();
  EXPECT_EQ(Spoken(*platform_), (std::vector<std::string>{"first", "third"}));
}

// A held text keeps its voice by identity: a voice list that changes while it waits (a listing
// come in late) neither gives it another voice nor drops it.
TEST_F(VoiceEngineTest, HeldTextsKeepTheirVoiceWhenTheListChanges) {
  double now = 0;
  sapi5_->clock = [&] { return now; };
  sapi5_->secondsPerCharacter = 1;
  Open({}, {u"S0", u"S1"});
  SpeechSay(u"speaking", 0, 100, 0);
  SpeechSay(u"for S1", 1, 100, 0);
  platform_->voiceNames = {u"Late"};  // the Speech Platform's listing comes in late
  platform_->events({SpeechEvent::Kind::kVoicesChanged, 0, {}});
  SpeechEventsRun();
  ASSERT_EQ(Voices().front().name, u"Late");
  now = 100;
  sapi5_->ClockAdvanced();
  SpeechEventsRun();
  EXPECT_EQ(sapi5_->CallsOf("SetVoice").back(), "SetVoice 1");
  EXPECT_EQ(Spoken(*sapi5_).back(), "for S1");
}

// Texts held for a voice that the listing no longer has are dropped, and that is told once for
// the episode, not once per text; the voice back and gone again is a new episode.
TEST_F(VoiceEngineTest, GoneVoiceIsToldOncePerEpisode) {
  Open({u"P0"}, {u"S0"});
  auto relist = [&](std::vector<Text> names) {
    platform_->voiceNames = std::move(names);
    platform_->events({SpeechEvent::Kind::kVoicesChanged, 0, {}});
    SpeechEventsRun();
  };
  auto heldThenGone = [&] {
    SpeechPause();
    for (const char16_t* text : {u"one", u"two", u"three"}) SpeechSay(text, 0, 100, 0);
    relist({});
    SpeechResume();
  };
  heldThenGone();
  EXPECT_EQ(troubles_, std::vector<std::string>{"the voice P0 is gone"});
  EXPECT_FALSE(SpeechBusy());
  relist({u"P0"});
  SpeechSay(u"back", 0, 100, 0);
  EXPECT_EQ(Spoken(*platform_), std::vector<std::string>{"back"});
  heldThenGone();
  EXPECT_EQ(troubles_.size(), 2u);
}

// A text whose end never comes counts as done after twice its expected time and the grace; the
// queue goes on, and the trouble is told once for the whole episode.
TEST_F(VoiceEngineTest, TextWhoseEndNeverComesCountsAsDoneInTime) {
  TSpeechHandlers handlers = Handlers();
  handlers.endGrace = std::chrono::milliseconds(100);
  SpeechHandlersSet(handlers);
  sapi5_->neverEnds = true;
  Open({u"P0"}, {u"S0"});
  for (const char16_t* text : {u"one", u"two", u"three"}) SpeechSay(text, 1, 100, 0);
  SpeechSay(u"other engine", 0, 100, 0);
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(SpeechWait(5000));
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, 3 * std::chrono::milliseconds(100));
  EXPECT_LT(took, std::chrono::seconds(3));
  EXPECT_EQ(Spoken(*sapi5_), (std::vector<std::string>{"one", "two", "three"}));
  EXPECT_EQ(Spoken(*platform_), std::vector<std::string>{"other engine"});
  EXPECT_EQ(troubles_, std::vector<std::string>{"a text did not end in time"});
  EXPECT_EQ(sapi5_->CallsOf(SpeakCall(kSpeakPurge, ".")).size(), 3u);
}

// The deadline is twice the text's expected length plus five seconds, to the tenth of a second:
// a text of 14 characters (one second at rate 0) ends after seven, neither six nor eight.
TEST_F(VoiceEngineTest, DeadlineIsTwiceTheExpectedLengthPlusFiveSeconds) {
  SpeechHandlersSet(Handlers());  // the grace as shipped
  sapi5_->neverEnds = true;
  Open({}, {u"S0"});
  const Text text = u"fourteen chars";
  ASSERT_EQ(SpeechExpectedDuration(text, 0), std::chrono::seconds(1));
  auto start = std::chrono::steady_clock::now();
  SpeechSay(text, 0, 100, 0);
  EXPECT_TRUE(SpeechWait(20000));
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(7000));
  EXPECT_LT(took, std::chrono::milliseconds(7400));
  EXPECT_EQ(troubles_, std::vector<std::string>{"a text did not end in time"});
}

// Over the limit the oldest waiting chat lines are passed over (never what is being spoken, never
// a notice), on every send, the first included; the next line says how many.
TEST_F(VoiceEngineTest, QueueLimitPassesOverTheOldestWaitingLines) {
  double now = 0;
  sapi5_->clock = platform_->clock = [&] { return now; };
  sapi5_->secondsPerCharacter = platform_->secondsPerCharacter = 1;
  TSpeechHandlers handlers = Handlers();
  handlers.seconds = [&] { return now; };
  SpeechHandlersSet(handlers);
  Open({u"P0"}, {u"S0"});
  auto advance = [&](double to) {
    now = to;
    sapi5_->ClockAdvanced();
    platform_->ClockAdvanced();
    SpeechEventsRun();
  };
  EXPECT_TRUE(SpeechSay(u"a\r\nb\r\nc\r\nfirst", 1, 100, 0, {2}));  // "a" "b" passed over at once
  EXPECT_EQ(Spoken(*sapi5_), std::vector<std::string>{"2 skipped. c\r\nfirst"});
  EXPECT_TRUE(SpeechSay(u"zero", 1, 100, 0, {2}));
  EXPECT_TRUE(SpeechSayNotice(u"<n/>", u"notice", 1, 100, 0));
  EXPECT_TRUE(SpeechSay(u"one\r\ntwo", 0, 100, 0, {2}));  // the other engine counts the same
  EXPECT_EQ(SpeechQueueLength(), 2);                      // "zero" passed over
  EXPECT_TRUE(SpeechSay(u"three", 1, 100, 0, {2}));
  EXPECT_EQ(SpeechQueueLength(), 2);
  EXPECT_TRUE(SpeechSay(u"four\r\nfive", 1, 100, 0, {2}));
  EXPECT_EQ(SpeechQueueLength(), 2);
  for (double t = 100; SpeechBusy(); t += 100) advance(t);
  EXPECT_EQ(Spoken(*sapi5_),
            (std::vector<std::string>{"2 skipped. c\r\nfirst", "<n/>", "4 skipped. four\r\nfive"}));
  EXPECT_EQ(Spoken(*platform_).size(), 0u);
  // Without a limit every line waits its turn; Skip drops them.
  for (int i = 0; i < 8; ++i) SpeechSay(u"text", 1, 100, 0, {0});
  EXPECT_EQ(SpeechQueueLength(), 7);  // the first is being spoken
  SpeechPurge();
  EXPECT_EQ(SpeechQueueLength(), 0);
  EXPECT_FALSE(SpeechBusy());
  EXPECT_EQ(PassedOverNote(1), u"1 skipped.");
}

// NameRepeat is decided when a line is spoken, after the limit has passed lines over: the line
// after a passed-over note always names its speaker; a line of the speaker heard just before
// goes without. Repeat says the last text again whole: every name, no stale note.
TEST_F(VoiceEngineTest, NamesDecidedWhenSpokenAndRepeatWithoutTheNote) {
  OpenClocked(1);
  auto line = [](const char16_t* speaker, const char16_t* name, const char16_t* words) {
    return std::vector<TChatLine>{{speaker, name, Text(name) + u" : " + words, words}};
  };
  const TQueueLimits limits{1, 0, 30};
  SpeechSayLines(line(u"bob", u"Bob", u"x"), 0, 100, 0, limits);  // spoken at once
  SpeechSayLines(line(u"ann", u"Ann", u"a"), 0, 100, 0, limits);  // waits
  SpeechSayLines(line(u"ann", u"Ann", u"b"), 0, 100, 0, limits);  // passes "a" over
  Advance(10);
  SpeechSayLines(line(u"ann", u"Ann", u"c"), 0, 100, 0, limits);
  for (double t = 20; SpeechBusy(); t += 10) Advance(t);
  EXPECT_EQ(Spoken(*sapi5_), (std::vector<std::string>{"Bob : x", "1 skipped. Ann : b", "c"}));
  EXPECT_TRUE(SpeechRepeat());
  for (double t = 200; SpeechBusy(); t += 10) Advance(t);
  EXPECT_EQ(Spoken(*sapi5_).back(), "Ann : c");
}

// At a busy place the note of the lines passed over is said at most once in ten seconds: the
// count is carried on to the next note said.
TEST_F(VoiceEngineTest, PassedOverNoteAtMostOnceInTenSecondsWithTheCountCarriedOn) {
  OpenClocked(0.25);
  auto twoLines = [](const char16_t* passed, const char16_t* kept) {
    SpeechSay(passed, 0, 100, 0, {1});
    SpeechSay(kept, 0, 100, 0, {1});  // passes the first over
  };
  SpeechSay(u"aaaa", 0, 100, 0, {1});  // 0 to 1
  twoLines(u"b", u"c");
  Advance(1);  // the note said at 1: "1 skipped. c", till 4
  twoLines(u"d", u"e");
  Advance(4);  // 3 s after the note: "e" alone, the count carried
  twoLines(u"f", u"g");
  Advance(4.25);  // "g" alone too
  twoLines(u"h", u"i");
  Advance(12);  // 11 s after the note: the three carried and this one
  Advance(20);
  EXPECT_EQ(Spoken(*sapi5_),
            (std::vector<std::string>{"aaaa", "1 skipped. c", "e", "g", "3 skipped. i"}));
}

// Catching up: while chat lines wait, each chat text is spoken a rate step faster per waiting
// line, up to the catch-up and never above 10; with the queue empty the window's rate is back;
// notices keep it.
TEST_F(VoiceEngineTest, CatchUpSpeaksFasterWhileLinesWait) {
  double now = 0;
  sapi5_->clock = [&] { return now; };
  sapi5_->secondsPerCharacter = 1;
  Open({}, {u"S0"});
  const TQueueLimits limits{0, 3};
  auto rates = [&] { return sapi5_->CallsOf("SetRate"); };
  SpeechSay(u"first", 0, 100, 8, limits);  // nothing waits: the window's rate
  for (const char16_t* text : {u"a", u"b", u"c", u"d"}) SpeechSay(text, 0, 100, 8, limits);
  SpeechSayNotice(u"<n/>", u"n", 0, 100, 8);
  for (double t = 100; SpeechBusy(); t += 100) {
    now = t;
    sapi5_->ClockAdvanced();
    SpeechEventsRun();
  }
  // "a" with 3 lines behind it: 8 + 3 = 11, held at 10; "b" 10; "c" 9; "d" 8; the notice 8.
  EXPECT_EQ(rates(), (std::vector<std::string>{"SetRate 8", "SetRate 10", "SetRate 10", "SetRate 9",
                                               "SetRate 8", "SetRate 8"}));
  sapi5_->calls.clear();
  for (const char16_t* text : {u"x", u"y", u"z"}) SpeechSay(text, 0, 100, -2, {0, 1});
  for (double t = 1000; SpeechBusy(); t += 100) {
    now = t;
    sapi5_->ClockAdvanced();
    SpeechEventsRun();
  }
  EXPECT_EQ(rates(), (std::vector<std::string>{"SetRate -2", "SetRate -1", "SetRate -2"}));
  // Behind (lines passed over before it), the rest of a text counts as waiting; a text alone at
  // a quiet place does not.
  sapi5_->calls.clear();
  SpeechSay(u"a\r\nb\r\nc\r\nd", 0, 100, 0, {2, 3});
  now = 5000;
  sapi5_->ClockAdvanced();
  SpeechEventsRun();
  SpeechSay(u"e\r\nf", 0, 100, 0, {2, 3});
  EXPECT_EQ(rates(), (std::vector<std::string>{"SetRate 1", "SetRate 0"}));
  EXPECT_EQ(SpeechCatchUpRate(12, 3, 5), 12);  // a rate above 10 is never lowered by it
}

// AutoVoices: the pick is a stable hash of the speaker's key, the same on every run and platform:
// among the voices of the window voice's engine and language, and a pitch.
// A speaker's own pick: the same on every run and platform, among the voices of the window
// voice's engine and language, from the mixed hash of their key.
TEST_F(VoiceEngineTest, AutoVoiceOwnIsAStableHashOverVoicesOfTheSameLanguage) {
  sapi5_->voiceLanguages = {u"en-us", u"en-GB", u"en", u"de"};
  Open({u"P0"}, {u"S0", u"S1", u"S2", u"S3"});
  EXPECT_EQ(Fnv1a("ann.example"), 0xddeeb0fcu);
  EXPECT_EQ(Fmix32(0xddeeb0fcu), 0x9bc7674fu);
  const struct {
    const char16_t* key;
    int32_t window;
    TVoiceChoice choice;  // over S0, S1, S2 (Voices 1..3): S3 speaks another language
  } cases[] = {
      {u"ann.example", 1, {2, -3}},
      {u"bob.sample", 1, {3, 1}},
      {u"jane.doe", 1, {3, 0}},
      {u"carl", 1, {2, -1}},
      {u"\u82B1\u5B50", 1, {3, 2}},
      {u"object name", 1, {2, -3}},
      // With one voice of the language, the pitch alone tells speakers apart.
      {u"ann.example", 4, {4, -3}},
      {u"bob.sample", 4, {4, 1}},
      // An engine whose voices tell no language: the voices of that engine.
      {u"carl", 0, {0, -1}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SpeechAutoVoiceOwn(c.key, c.window), c.choice) << TextToUtf8(c.key);
  }
}

// Names as residents have them: first names and last names, families of names, one-letter
// differences.
std::vector<Text> ResidentNames() {
  const char* firsts[] = {"ann",   "bob",  "cat",    "jane",   "john",   "kim",   "lee",   "max",
                          "mia",   "noah", "olivia", "emma",   "liam",   "sofia", "lucas", "luna",
                          "mateo", "zoe",  "leo",    "ella",   "sam",    "alex",  "nina",  "omar",
                          "yuki",  "hana", "sven",   "ingrid", "pierre", "chloe"};
  const char* lasts[] = {"example", "sample",    "tester",    "doe",       "smith",    "resident",
                         "garcia",  "muller",    "rossi",     "tanaka",    "kowalski", "nguyen",
                         "silva",   "jansen",    "dubois",    "moon",      "starfall", "rhiano",
                         "vortane", "kelvin",    "mirabella", "ashbourne", "quinn",    "fairey",
                         "sparrow", "lane",      "skye",      "wolf",      "rain",     "frost",
                         "stone",   "blackwood", "snow"};
  std::vector<Text> names;
  for (const char* first : firsts) {
    for (const char* last : lasts) names.push_back(AsciiToText(std::string(first) + "." + last));
  }
  return names;
}

// Over real-looking names the own picks spread evenly over voices and pitches (a chi-square
// bound), and names a letter apart land on the same voice no more often than chance would have
// them.
TEST_F(VoiceEngineTest, AutoVoiceOwnPicksSpreadResidentNames) {
  std::vector<Text> eight(8, u"en");
  sapi5_->voiceLanguages = eight;
  Open({}, {u"S0", u"S1", u"S2", u"S3", u"S4", u"S5", u"S6", u"S7"});
  std::map<std::pair<int32_t, int32_t>, int> counts;
  int sameVoice = 0, pairs = 0;
  for (const Text& name : ResidentNames()) {
    TVoiceChoice own = SpeechAutoVoiceOwn(name, 0);
    ++counts[{own.voiceIndex, own.pitch}];
    for (Text variant : {name + u"2", name.substr(0, name.size() - 1) + u"z", u"x" + name}) {
      sameVoice += SpeechAutoVoiceOwn(variant, 0).voiceIndex == own.voiceIndex;
      ++pairs;
    }
  }
  double expected = static_cast<double>(ResidentNames().size()) / 72, chiSquare = 0;
  EXPECT_EQ(counts.size(), 72u);  // 8 voices x 9 pitches
  for (const auto& [pick, n] : counts) chiSquare += (n - expected) * (n - expected) / expected;
  EXPECT_LT(chiSquare, 112.3);           // 71 degrees of freedom, p = 0.001
  EXPECT_LT(sameVoice, pairs * 2 / 10);  // chance: one in eight
}

// Speakers heard within a few minutes of each other never sound alike while a free choice
// exists: not the same voice unless their pitches are 3 steps apart. A pick a clash forced lasts
// for the session; a speaker alone in a new session has their own pick back.
TEST_F(VoiceEngineTest, AutoVoicesOfSpeakersHeardTogetherSoundApart) {
  std::vector<Text> eight(8, u"en");
  sapi5_->voiceLanguages = eight;
  Open({}, {u"S0", u"S1", u"S2", u"S3", u"S4", u"S5", u"S6", u"S7"});
  auto apart = [](const TVoiceChoice& a, const TVoiceChoice& b) {
    return a.voiceIndex != b.voiceIndex || std::abs(a.pitch - b.pitch) >= 3;
  };
  const std::vector<std::vector<Text>> conversations = {
      {u"ann.example", u"bob.sample", u"cat.tester"},
      {u"jane.doe", u"jane.does", u"janedoe", u"jan.doe", u"june.doe", u"john.doe", u"jade.doe",
       u"jane.doe2"},
      {u"bob.sample", u"bob.sampla", u"bob.sampl", u"bob.samples", u"rob.sample", u"bobsample"},
      [] {  // a busy club: 16 people (each voice holds two 3 pitches apart, wherever they are)
        std::vector<Text> names = ResidentNames();
        std::vector<Text> club;
        for (size_t i = 0; i < names.size() && club.size() < 16; i += 37) club.push_back(names[i]);
        return club;
      }(),
  };
  double session = 0;
  for (const std::vector<Text>& names : conversations) {
    SpeechClose();
    SpeechOpen();  // a new session
    session += 10000;
    std::vector<TVoiceChoice> picks;
    for (size_t i = 0; i < names.size(); ++i) {
      picks.push_back(SpeechAutoVoice(names[i], 0, session + static_cast<double>(i)));
    }
    EXPECT_EQ(picks[0], SpeechAutoVoiceOwn(names[0], 0));
    for (size_t i = 0; i < picks.size(); ++i) {
      for (size_t j = 0; j < i; ++j) {
        EXPECT_TRUE(apart(picks[i], picks[j]))
            << TextToUtf8(names[i]) << " sounds like " << TextToUtf8(names[j]);
      }
      // Heard again later in the session: the same pick, forced or not.
      EXPECT_EQ(SpeechAutoVoice(names[i], 0, session + 1000), picks[i]);
    }
  }
  // Speakers heard minutes apart do not clash: each has their own pick.
  SpeechClose();
  SpeechOpen();
  for (size_t i = 0; i < 6; ++i) {
    const Text& name = conversations[2][i];
    EXPECT_EQ(SpeechAutoVoice(name, 0, 1000.0 * static_cast<double>(i)),
              SpeechAutoVoiceOwn(name, 0))
        << TextToUtf8(name);
  }
}

TEST(LanguageBase, TagsAndSapiLanguageIds) {
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"en-us", u"en"},    {u"en-GB", u"en"},     {u"de", u"de"},
      {u"pt_BR", u"pt"},    {u"409;9", u"lcid:9"}, {u"809", u"lcid:9"},
      {u"411", u"lcid:17"}, {u"c0a", u"lcid:10"},  {u"", u""},
  };
  for (const auto& [language, base] : cases) EXPECT_EQ(LanguageBaseOf(language), base);
}

// A text at a pitch: the runtime is given it once, and back at 0 for the window's voice.
TEST_F(VoiceEngineTest, PitchGoesToTheRuntimeWhenItChanges) {
  Open({}, {u"S0"});
  SpeechSay(u"a", 0, 100, 0, {}, 3);
  SpeechSay(u"b", 0, 100, 0, {}, 3);
  SpeechSay(u"c", 0, 100, 0, {}, 0);
  SpeechEventsRun();
  EXPECT_EQ(sapi5_->CallsOf("SetPitch"), (std::vector<std::string>{"SetPitch 3", "SetPitch 0"}));
}

TEST_F(VoiceEngineTest, SameNameFromBothEnginesIsListedTwice) {
  Open({u"Voice"}, {u"Voice"});
  ASSERT_EQ(Voices().size(), 2u);
  EXPECT_EQ(Voices()[0].name, Voices()[1].name);
  EXPECT_NE(Voices()[0].Version, Voices()[1].Version);
}

TEST_F(VoiceEngineTest, CloseGivesBackTheExtraTokenReferences) {
  Open({u"P0"}, {u"S0", u"S1"});
  // The engine's own list and the module's extra reference.
  EXPECT_EQ(sapi5_->tokens[0].use_count(), 2);
  EXPECT_EQ(platform_->tokens[0].use_count(), 1);
  SpeechClose();
  EXPECT_EQ(sapi5_->tokens[0].use_count(), 1);
  EXPECT_EQ(sapi5_->tokens[1].use_count(), 1);
}

}  // namespace
