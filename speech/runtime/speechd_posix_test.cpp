// The speech-dispatcher runtime against a real server of the test's own (see
// testdata/speechd-private), and against none.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/platform.h"
#include "platform/testing.h"
#include "speech/runtime/posix_runtimes.h"
#include "speech/runtime/scripted.h"
#include "speech/uSpeechLib.h"

namespace {

bool ServerInstalled() { return std::system("command -v speech-dispatcher >/dev/null") == 0; }

// A private server for one test: started by the script, stopped at the end.
class PrivateServer {
 public:
  explicit PrivateServer(const TempFolder& folder) : folder_(folder) {
    std::string script = TextToUtf8(SourcePath(u"speech/runtime/testdata/speechd-private"));
    std::string command = "'" + script + "' '" + TextToUtf8(folder.Path()) + "'";
    FILE* out = ::popen(command.c_str(), "r");
    char line[32] = {};
    if (out && std::fgets(line, sizeof line, out)) pid_ = std::atoi(line);
    if (out) ::pclose(out);
  }
  ~PrivateServer() { Stop(); }
  PrivateServer(const PrivateServer&) = delete;
  PrivateServer& operator=(const PrivateServer&) = delete;

  bool Running() const { return pid_ > 0; }
  Text Address() const { return u"unix_socket:" + folder_.Join(u"run/speechd.sock"); }
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);  // as a server that goes away
    for (int i = 0; i < 100 && ::kill(pid_, 0) == 0; ++i) {
      ::waitpid(pid_, nullptr, WNOHANG);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = -1;
  }

 private:
  const TempFolder& folder_;
  int pid_ = -1;
};

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

// The voice list once the server's listing is in.
std::shared_ptr<SpeechObjectTokens> VoicesListed(SpeechVoice& voice) {
  for (int i = 0; i < 500 && voice.VoicesListing(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return voice.GetVoices(u"", u"");
}

std::vector<Text> Names(SpeechObjectTokens& tokens) {
  std::vector<Text> names;
  for (int32_t i = 0; i < tokens.Count(); ++i)
    names.push_back(tokens.Item(i)->GetAttribute(u"Name"));
  return names;
}

// One voice per language, the user's own first, its variants after the others; names that say
// which engine speaks them. The list of the last run serves the next start at once.
TEST_F(SpeechdTest, VoiceListAPersonCanUse) {
  std::vector<Text> names;
  {
    auto voice = SpeechdVoiceCreate();
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
  auto again = SpeechdVoiceCreate();
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Names(*again->GetVoices(u"", u"")), names);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(300));
  EXPECT_FALSE(again->VoicesChanged());
}

// Speaking with a chosen voice, volume and rate ends as the server reports; purge stops it.
TEST_F(SpeechdTest, SpeaksWithTheChosenVoiceAndPurges) {
  auto voice = SpeechdVoiceCreate();
  auto tokens = VoicesListed(*voice);
  voice->SetVoice(tokens->Item(1));
  voice->SetVolume(40);
  voice->SetRate(5);
  voice->Speak(u"Hallo zusammen.", kSpeakPlain);
  EXPECT_TRUE(voice->WaitUntilDone(20000));
  EXPECT_EQ(voice->Pending(), 0);
  for (int i = 0; i < 3; ++i)
    voice->Speak(u"Ein ziemlich langer Satz, der eine Weile dauert.", kSpeakPlain);
  EXPECT_GE(voice->Pending(), 1);
  voice->Speak(u".", kSpeakPurge);
  EXPECT_TRUE(voice->WaitUntilDone(5000));
  EXPECT_EQ(voice->Pending(), 0);
}

// Through the voice engine: the queue limit holds texts while the server speaks.
TEST_F(SpeechdTest, QueueLimitThroughTheVoiceEngine) {
  SpeechClassRegister(kSpeechPlatformClassId, SpeechdVoiceCreate);
  ScriptedClassRegister(kSapi5ClassId, std::make_shared<ScriptedEngine>());
  SpeechOpen();
  SpeechVoicesAwait(10000);
  ASSERT_FALSE(Voices.empty());
  const Text line = u"Ein Satz aus dem Chat, der eine Weile gesprochen wird.";
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(SpeechSay(line, 0, 100, 0, 2));
  EXPECT_EQ(SpeechQueueLength(0), 2);
  EXPECT_TRUE(SpeechWait(0, 60000));
  EXPECT_EQ(SpeechQueueLength(0), 0);
  SpeechClose();
  SpeechRelease();
}

// A server that goes away mid-session: speaking fails as an error, without hanging.
TEST_F(SpeechdTest, ServerGoneMidSessionFailsQuickly) {
  auto voice = SpeechdVoiceCreate();
  auto tokens = VoicesListed(*voice);
  voice->SetVoice(tokens->Item(0));
  server_.Stop();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(voice->Speak(u"anyone there?", kSpeakPlain), SpeechError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_TRUE(voice->WaitUntilDone(1000));
}

// No server (and none started on demand: the tests' configuration disables it): no voice, and
// speaking fails as an error.
TEST(Speechd, NoServerAtAllGivesNoVoice) {
  TempFolder folder;
  EnvOverride address("SPEECHD_ADDRESS", u"unix_socket:" + folder.Join(u"none.sock"));
  EnvOverride cache("XDG_CACHE_HOME", folder.Join(u"cache"));
  auto voice = SpeechdVoiceCreate();
  EXPECT_EQ(VoicesListed(*voice)->Count(), 0);
  EXPECT_THROW(voice->Speak(u"hello", kSpeakPlain), SpeechError);
}

}  // namespace
