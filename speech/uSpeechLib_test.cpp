#include "speech/uSpeechLib.h"

#include <gtest/gtest.h>

#include "speech/runtime/scripted.h"

namespace {

class VoiceEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ScriptedClassRegister(kSpeechPlatformClassId, platform_);
    ScriptedClassRegister(kSapi5ClassId, sapi5_);
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

  std::shared_ptr<ScriptedEngine> platform_ = std::make_shared<ScriptedEngine>();
  std::shared_ptr<ScriptedEngine> sapi5_ = std::make_shared<ScriptedEngine>();
  bool opened_ = false;
};

TEST_F(VoiceEngineTest, MergesBothEnginesPlatformFirst) {
  Open({u"P0", u"P1"}, {u"S0", u"S1", u"S2"});
  EXPECT_TRUE(opened_);
  ASSERT_EQ(Voices.size(), 5u);
  const std::tuple<int, int, Text> expected[] = {
      {11, 0, u"P0"}, {11, 1, u"P1"}, {5, 0, u"S0"}, {5, 1, u"S1"}, {5, 2, u"S2"}};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(Voices[i].Version, std::get<0>(expected[i]));
    EXPECT_EQ(Voices[i].index, std::get<1>(expected[i]));
    EXPECT_EQ(Voices[i].name, std::get<2>(expected[i]));
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
  ASSERT_EQ(Voices.size(), 1u);
  EXPECT_EQ(Voices[0].Version, 5);
  TearDown();
  platform_->createFails = false;
  platform_->getVoicesFails = true;
  sapi5_->createFails = true;
  Open({u"P0"}, {u"S0"});
  EXPECT_FALSE(opened_);
  EXPECT_TRUE(Voices.empty());
  sapi5_->calls.clear();
  EXPECT_FALSE(SpeechSay(u"hello", 0, 100, 0));
  EXPECT_FALSE(SpeechSayXml(u"<x/>", 0, 100, 0));
  SpeechPurge(0);
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
  ASSERT_EQ(Voices.size(), 3u);
  EXPECT_EQ(Voices[2].name, u"S0");
  TearDown();
  platform_->nameFailsAt = 0;
  sapi5_->nameFailsAt = -1;
  EXPECT_TRUE(SpeechOpen());
  EXPECT_FALSE(SpeechOpenComplete());
  EXPECT_EQ(Voices.size(), 3u);
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

TEST_F(VoiceEngineTest, PlainTextIsNeverMarkupAndXmlUsesItsFlag) {
  Open({}, {u"S0"});
  EXPECT_TRUE(SpeechSay(u"<silence msec=\"9999\"/>", 0, 100, 0));
  EXPECT_TRUE(SpeechSayXml(u"<pron sym=\"k\"/>", 0, 100, 0));
  EXPECT_EQ(sapi5_->CallsOf("Speak"),
            (std::vector<std::string>{SpeakCall(kSpeakPlain, "<silence msec=\"9999\"/>"),
                                      SpeakCall(kSpeakXml, "<pron sym=\"k\"/>")}));
}

TEST_F(VoiceEngineTest, RefusedXmlLeavesVoiceVolumeAndRateSet) {
  sapi5_->refuses = [](TextView, int32_t flags) { return (flags & kFlagIsXml) != 0; };
  Open({}, {u"S0", u"S1"});
  EXPECT_FALSE(SpeechSayXml(u"<pron sym=\"x\"/>", 1, 30, 4));
  EXPECT_EQ(SpeechGetVolume(1), 30);
  EXPECT_EQ(SpeechGetRate(1), 4);
  EXPECT_EQ(sapi5_->CallsOf("SetVoice"), std::vector<std::string>{"SetVoice 1"});
  EXPECT_TRUE(SpeechSay(u"plain", 1, 30, 4));
}

TEST_F(VoiceEngineTest, FailureToTakeTheVoicePassesToTheCaller) {
  Open({}, {u"S0"});
  sapi5_->setVoiceFails = true;
  EXPECT_THROW(SpeechSay(u"x", 0, 100, 0), SpeechError);
}

TEST_F(VoiceEngineTest, PurgeStopsOnlyTheEngineOfTheVoice) {
  Open({u"P0"}, {u"S0"});
  platform_->calls.clear();
  sapi5_->calls.clear();
  SpeechPurge(1);
  EXPECT_EQ(sapi5_->calls, std::vector<std::string>{SpeakCall(kSpeakPurge, ".")});
  EXPECT_TRUE(platform_->calls.empty());
  SpeechPurge(-4);
  EXPECT_EQ(platform_->calls, std::vector<std::string>{SpeakCall(kSpeakPurge, ".")});
  sapi5_->refuses = [](TextView, int32_t) { return true; };
  SpeechPurge(1);  // a failing purge is ignored
}

TEST_F(VoiceEngineTest, VoicesOfOneEngineShareItsObject) {
  Open({}, {u"S0", u"S1"});
  EXPECT_TRUE(SpeechSay(u"x", 0, 40, 2));
  EXPECT_EQ(SpeechGetVolume(1), 40);
  EXPECT_EQ(SpeechGetRate(1), 2);
}

// Texts for an engine still speaking wait in the voice engine; over the limit the oldest waiting
// lines are passed over (never what is being spoken) and the next text says how many.
TEST_F(VoiceEngineTest, QueueLimitPassesOverTheOldestWaitingTexts) {
  double now = 0;
  sapi5_->clock = [&] { return now; };
  sapi5_->secondsPerCharacter = 1;
  Open({}, {u"S0"});
  auto spoken = [&] {
    std::vector<std::string> texts;
    for (const auto& s : sapi5_->spoken) texts.push_back(s.text);
    return texts;
  };
  EXPECT_TRUE(SpeechSay(u"first", 0, 100, 0, 2));  // at once: 5 seconds of speech
  EXPECT_TRUE(SpeechSay(u"one\r\ntwo", 0, 100, 0, 2));
  EXPECT_EQ(SpeechQueueLength(0), 2);
  EXPECT_TRUE(SpeechHolding());
  EXPECT_TRUE(SpeechSay(u"three", 0, 100, 0, 2));  // "one" passed over
  EXPECT_EQ(SpeechQueueLength(0), 2);
  EXPECT_TRUE(SpeechSay(u"four\r\nfive", 0, 100, 0, 2));  // "two", "three" too
  EXPECT_EQ(SpeechQueueLength(0), 2);
  EXPECT_TRUE(SpeechPump());
  EXPECT_EQ(spoken(), std::vector<std::string>{"first"});  // still speaking
  now = 5;
  EXPECT_TRUE(SpeechPump());
  EXPECT_EQ(spoken(), (std::vector<std::string>{"first", "3 lines passed over. four"}));
  now = 50;
  EXPECT_TRUE(SpeechPump());
  EXPECT_EQ(spoken().back(), "five");
  EXPECT_TRUE(SpeechSay(u"six", 0, 100, 0, 2));
  now = 100;
  SpeechPump();
  EXPECT_EQ(spoken().back(), "six");
  EXPECT_FALSE(SpeechHolding());
  EXPECT_EQ(SpeechQueueLength(0), 0);
  // Without a limit every text waits its turn; Skip drops the waiting ones too.
  now = 100;
  for (int i = 0; i < 8; ++i) SpeechSay(u"text", 0, 100, 0, 0);
  EXPECT_EQ(SpeechQueueLength(0), 8);  // "six" is still being spoken
  SpeechPurge(0);
  EXPECT_EQ(SpeechQueueLength(0), 0);
  EXPECT_FALSE(SpeechHolding());
  EXPECT_EQ(PassedOverNote(1), u"1 line passed over.");
}

TEST_F(VoiceEngineTest, SameNameFromBothEnginesIsListedTwice) {
  Open({u"Voice"}, {u"Voice"});
  ASSERT_EQ(Voices.size(), 2u);
  EXPECT_EQ(Voices[0].name, Voices[1].name);
  EXPECT_NE(Voices[0].Version, Voices[1].Version);
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
