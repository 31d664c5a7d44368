// The speech-dispatcher runtime against real servers of the test's own (see
// testdata/speechd-private): a good one, one killed, one whose synthesiser is frozen, one whose
// sound fails, a socket that never answers, and none at all.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <memory>
#include <thread>

#include "platform/platform.h"
#include "platform/testing/testing.h"
#include "speech/runtime/posix_runtimes.h"
#include "speech/runtime/ssip_posix.h"
#include "speech/testing/runtime_contract.h"
#include "speech/testing/speech_testing.h"
#include "speech/testing/speechd_servers_posix.h"
#include "speech/uSpeechLib.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kAtOnce = std::chrono::milliseconds(50);

std::vector<Text> Names(SpeechObjectTokens& tokens) {
  std::vector<Text> names;
  for (int32_t i = 0; i < tokens.Count(); ++i)
    names.push_back(tokens.Item(i)->GetAttribute(u"Name"));
  return names;
}

// The voice list once the server's listing is in.
std::shared_ptr<SpeechObjectTokens> VoicesListed(SpeechVoice& voice) {
  for (int i = 0; i < 500 && voice.VoicesListing(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return voice.GetVoices(u"", u"");
}

class SpeechdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ServerInstalled()) GTEST_SKIP() << "speech-dispatcher is not installed";
    ASSERT_TRUE(server_.Running()) << "the private server did not start";
  }

  TempFolder folder_;
  PrivateServer server_{folder_};
  EnvOverride address_{"SPEECHD_ADDRESS", server_.Address()};
  EnvOverride cache_{"XDG_CACHE_HOME", folder_.Join(u"cache")};
  EnvOverride language_{"LC_ALL", u"de_DE.UTF-8"};
};

// One voice per language, the user's own first, its variants after the others; names that say
// which engine speaks them. The list of the last run serves the next start at once.
TEST_F(SpeechdTest, VoiceListAPersonCanUse) {
  std::vector<Text> names;
  EventProbe probe;
  {
    auto voice = SpeechdVoiceCreate(probe.Handler());
    EXPECT_EQ(voice->GetVoices(u"", u"")->Count(), 0);  // nothing cached: the window waits not
    names = Names(*VoicesListed(*voice));
    EXPECT_FALSE(voice->VoicesChanged());
  }
  ASSERT_GT(names.size(), 100u);
  EXPECT_LT(names.size(), 400u);
  EXPECT_EQ(names[0], u"German (speech-dispatcher, espeak-ng)");
  for (const Text& name : names) {
    EXPECT_NE(name.find(u" (speech-dispatcher, espeak-ng)"), Text::npos) << TextToUtf8(name);
  }
  auto variant = std::find_if(names.begin(), names.end(),
                              [](const Text& n) { return n.find(u'+') != Text::npos; });
  ASSERT_NE(variant, names.end());
  EXPECT_EQ(variant->rfind(u"German+", 0), 0u);
  EXPECT_TRUE(
      std::all_of(variant, names.end(), [](const Text& n) { return n.rfind(u"German+", 0) == 0; }));
  // Started again: the cached list, the same, without waiting for the server's listing.
  auto again = SpeechdVoiceCreate(probe.Handler());
  auto start = Clock::now();
  EXPECT_EQ(Names(*again->GetVoices(u"", u"")), names);
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(300));
  EXPECT_FALSE(again->VoicesChanged());
}

TEST_F(SpeechdTest, KeepsTheRuntimeContract) { RuntimeContractCheck(SpeechdVoiceCreate); }

// No server (and none started on demand: the tests' configuration disables it): no voice, and a
// text ends failed, saying why.
TEST(Speechd, NoServerAtAllGivesNoVoice) {
  TempFolder folder;
  EnvOverride address("SPEECHD_ADDRESS", u"unix_socket:" + folder.Join(u"none.sock"));
  EnvOverride cache("XDG_CACHE_HOME", folder.Join(u"cache"));
  EventProbe probe;
  auto voice = SpeechdVoiceCreate(probe.Handler());
  EXPECT_EQ(VoicesListed(*voice)->Count(), 0);
  int32_t stream = voice->Speak(u"hello", kSpeakPlain);
  ASSERT_TRUE(probe.EndsAwait({stream}, 10000));
  EXPECT_NE(probe.FailureOf(stream).find("none.sock"), std::string::npos);
}

TEST(Ssip, SpeakDataEscapesLinesAndEndsWithADot) {
  EXPECT_EQ(SsipSpeakData("hello"), "hello\r\n.\r\n");
  EXPECT_EQ(SsipSpeakData("a\r\n.b\nc"), "a\r\n..b\r\nc\r\n.\r\n");
  EXPECT_EQ(SsipSpeakData("."), "..\r\n.\r\n");
}

// Each line marked by its UTF-16 offset; what SSML reads as markup escaped.
TEST(Ssip, SsmlMarksEachLineAndEscapesMarkup) {
  EXPECT_EQ(SsmlWithLineMarks(u"Ann : <3 & \"hi\"\r\nBob's: \U0001D412x\nend"),
            "<speak><mark name=\"0\"/>Ann : &lt;3 &amp; &quot;hi&quot;\n"
            "<mark name=\"17\"/>Bob&apos;s: \xF0\x9D\x90\x92x\n"
            "<mark name=\"28\"/>end\n</speak>");
  EXPECT_EQ(SsmlWithLineMarks(u""), "<speak><mark name=\"0\"/>\n</speak>");
}

// The server's index marks tell which line of a text is being heard.
TEST_F(SpeechdTest, IndexMarksTellTheLineBeingHeard) {
  EventProbe probe;
  auto voice = SpeechdVoiceCreate(probe.Handler());
  auto tokens = VoicesListed(*voice);
  ASSERT_GT(tokens->Count(), 0);
  voice->SetVoice(tokens->Item(0));
  const Text text = u"Ann : the first line\r\nBob : the second line";
  int32_t stream = voice->Speak(text, kSpeakPlain);
  ASSERT_TRUE(probe.EndsAwait({stream}, 20000));
  EXPECT_EQ(probe.FailureOf(stream), "");
  EXPECT_EQ(voice->SpokenPosition(stream), static_cast<int32_t>(text.find(u"Bob")));
}

// The voice engine over speech-dispatcher (the Speech Platform's place) and espeak-ng writing WAV
// files (SAPI 5's), as the window runs it, with a server that misbehaves. Every call of the
// window's thread is timed.
class MisbehavingServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ServerInstalled()) GTEST_SKIP() << "speech-dispatcher is not installed";
    FolderMake(folder_.Join(u"wav"));
    SpeechClassRegister(kSpeechPlatformClassId, SpeechdVoiceCreate);
    SpeechClassRegister(kSapi5ClassId, EspeakVoiceCreate);
    TSpeechHandlers handlers;
    handlers.trouble = [this](const std::string& reason) { troubles_.push_back(reason); };
    handlers.endGrace = std::chrono::milliseconds(1000);
    SpeechHandlersSet(handlers);
  }
  void TearDown() override {
    auto start = Clock::now();
    SpeechClose();
    SpeechRelease();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1)) << "leaving took too long";
  }

  // Times a call of the window's thread.
  template <typename Call>
  auto Timed(Call call) {
    auto start = Clock::now();
    auto result = call();
    longest_ = std::max(longest_, Clock::now() - start);
    return result;
  }
  // Opening (espeak-ng's start among it) happens once, before the window shows: not timed.
  void Open() {
    SpeechOpen();
    for (int i = 0; i < 300 && SpeechVoicesListing(); ++i) Drive(10);
  }
  // The window's loop for a while: what the runtimes report taken in as it comes.
  void Drive(int milliseconds) {
    auto until = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (Clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      Timed([] {
        SpeechEventsRun();
        return 0;
      });
    }
  }
  bool DriveUntilQuiet(int milliseconds) {
    for (int waited = 0; SpeechBusy(); waited += 20) {
      if (waited > milliseconds) return false;
      Drive(20);
    }
    return true;
  }
  int32_t FirstOf(int32_t version) {
    for (size_t i = 0; i < Voices().size(); ++i) {
      if (Voices()[i].Version == version) return static_cast<int32_t>(i);
    }
    return -1;
  }
  void Say(TextView text, int32_t voice) {
    Timed([&] { return SpeechSay(text, voice, 100, 0); });
  }
  size_t WavFiles() const { return FolderEntriesGet(folder_.Join(u"wav"), u"*.wav").size(); }
  // A text for an espeak-ng voice after the trouble: spoken, as a WAV file shows.
  void EspeakStillSpeaks() {
    size_t before = WavFiles();
    Say(u"Still here.", FirstOf(kSapi5Version));
    EXPECT_TRUE(DriveUntilQuiet(20000));
    EXPECT_EQ(WavFiles(), before + 1);
  }
  void WindowNeverBlocked() { EXPECT_LT(longest_, kAtOnce); }
  // A private server of this test's, its output as given, reached and listed; the index of its
  // first voice (-1 when it has none).
  int32_t ServerOpen(const std::string& output = "libao") {
    server_ = std::make_unique<PrivateServer>(folder_, output);
    if (!server_->Running()) return -1;
    address_ = std::make_unique<EnvOverride>("SPEECHD_ADDRESS", server_->Address());
    Open();
    return FirstOf(kSpeechPlatformVersion);
  }
  // A text of the server's voice spoken to its end, as the server works before it misbehaves.
  bool WarmedUp(int32_t speechd) {
    Say(u"Warming up.", speechd);
    return DriveUntilQuiet(20000);
  }

  TempFolder folder_;
  EnvOverride wav_{"KELVORA_WAV_DIR", folder_.Join(u"wav")};
  EnvOverride cache_{"XDG_CACHE_HOME", folder_.Join(u"cache")};
  EnvOverride language_{"LC_ALL", u"de_DE.UTF-8"};  // as SpeechdTest: the language is read once
  std::vector<std::string> troubles_;
  Clock::duration longest_{};
  std::unique_ptr<PrivateServer> server_;
  std::unique_ptr<EnvOverride> address_;
};

// A server that takes the connection and never answers: its voices (from the last run) stay
// listed, a text for one fails after the reply time-out, told once; espeak-ng speaks on.
TEST_F(MisbehavingServerTest, SocketThatNeverAnswers) {
  FolderMake(folder_.Join(u"cache/kelvora"));
  FileWrite(folder_.Join(u"cache/kelvora/speech-dispatcher-voices-de-de.txt"),
            "espeak-ng\tGerman\tde\n");
  SilentSocket silent(folder_.Join(u"silent.sock"));
  EnvOverride address("SPEECHD_ADDRESS", u"unix_socket:" + folder_.Join(u"silent.sock"));
  Open();
  ASSERT_EQ(FirstOf(kSpeechPlatformVersion), 0);
  Say(u"Anyone there?", 0);
  Say(u"Anyone at all?", 0);
  EspeakStillSpeaks();
  EXPECT_EQ(troubles_.size(), 1u);
  EXPECT_NE(troubles_.front().find("does not answer"), std::string::npos) << troubles_.front();
  WindowNeverBlocked();
}

// A server killed while it holds a text (its synthesiser frozen, so the text is surely under way):
// the text fails at once, told once; espeak-ng speaks on; the server started again speaks again.
TEST_F(MisbehavingServerTest, ServerKilledMidTextAndStartedAgain) {
  int32_t speechd = ServerOpen();
  ASSERT_GE(speechd, 0) << "the private server did not start, or lists no voice";
  ASSERT_TRUE(WarmedUp(speechd));
  ::kill(server_->Module(), SIGSTOP);
  Say(u"A text that is under way when the server goes.", speechd);
  Drive(300);
  server_->Stop();
  EspeakStillSpeaks();
  EXPECT_EQ(troubles_.size(), 1u);
  server_->Start();
  ASSERT_TRUE(server_->Running());
  Say(u"Back again.", speechd);
  EXPECT_TRUE(DriveUntilQuiet(20000));
  EXPECT_EQ(troubles_.size(), 1u) << troubles_.back();
  WindowNeverBlocked();
}

// A synthesiser frozen in the middle of the work: no end comes; the text counts as done after its
// time, the rest is spoken, and the trouble is told once.
TEST_F(MisbehavingServerTest, FrozenSynthesiser) {
  int32_t speechd = ServerOpen();
  ASSERT_GE(speechd, 0) << "the private server did not start, or lists no voice";
  ASSERT_TRUE(WarmedUp(speechd));
  pid_t module = server_->Module();
  ASSERT_GT(module, 0);
  ::kill(module, SIGSTOP);
  Say(u"Frozen.", speechd);
  Say(u"Frozen again.", speechd);
  EspeakStillSpeaks();
  ::kill(module, SIGCONT);
  EXPECT_EQ(troubles_, std::vector<std::string>{"a text did not end in time"});
  // Resumed, it speaks again: a text ends as spoken (the engine's trouble is over, so that the
  // next freeze is told anew).
  Say(u"Back again.", speechd);
  EXPECT_TRUE(DriveUntilQuiet(20000));
  EXPECT_EQ(troubles_.size(), 1u);
  ::kill(module, SIGSTOP);
  Say(u"Frozen once more.", speechd);
  EXPECT_TRUE(DriveUntilQuiet(20000));
  ::kill(module, SIGCONT);
  EXPECT_EQ(troubles_.size(), 2u) << "the text after the resumption did not end as spoken";
  WindowNeverBlocked();
}

// A server whose sound output fails (PulseAudio where none runs): no end ever comes.
TEST_F(MisbehavingServerTest, SoundOutputThatFails) {
  int32_t speechd = ServerOpen("pulse");
  ASSERT_GE(speechd, 0) << "the private server did not start, or lists no voice";
  Say(u"No sound.", speechd);
  Say(u"Still no sound.", speechd);
  EspeakStillSpeaks();
  EXPECT_EQ(troubles_, std::vector<std::string>{"a text did not end in time"});
  EXPECT_NE(FileBytes(folder_.Join(u"log/speech-dispatcher.log")).find("Opening audio failed"),
            std::string::npos)
      << "the server's sound did not fail as it should";
  WindowNeverBlocked();
}

// Through the voice engine: the queue limit holds the lines while the server speaks.
TEST_F(MisbehavingServerTest, QueueLimitWithAGoodServer) {
  int32_t speechd = ServerOpen();
  ASSERT_GE(speechd, 0) << "the private server did not start, or lists no voice";
  const Text line = u"Ein Satz aus dem Chat, der eine Weile gesprochen wird.";
  for (int i = 0; i < 6; ++i) {
    Timed([&] { return SpeechSay(line, speechd, 100, 0, {2}); });
  }
  EXPECT_EQ(SpeechQueueLength(), 2);
  EXPECT_TRUE(DriveUntilQuiet(60000));
  EXPECT_TRUE(troubles_.empty());
  WindowNeverBlocked();
}

}  // namespace
