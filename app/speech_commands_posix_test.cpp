// kelvora say and kelvora voices end in bounded time whatever speech-dispatcher does: here a
// server that takes the connection and never answers.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "app/commands.h"
#include "platform/testing.h"
#include "speech/testing/speechd_servers_posix.h"

namespace {

using Clock = std::chrono::steady_clock;

class WedgedServerCommand : public ::testing::Test {
 protected:
  WedgedServerCommand() {
    FolderMake(folder_.Join(u"wav"));
    FolderMake(folder_.Join(u"cache/kelvora"));
    // The last run listed one speech-dispatcher voice: it comes first, as index 0.
    FileWrite(folder_.Join(u"cache/kelvora/speech-dispatcher-voices-en-us.txt"),
              "espeak-ng\tEnglish\ten\n");
  }
  TempFolder folder_;
  SilentSocket silent_{folder_.Join(u"silent.sock")};
  EnvOverride address_{"SPEECHD_ADDRESS", u"unix_socket:" + folder_.Join(u"silent.sock")};
  EnvOverride cache_{"XDG_CACHE_HOME", folder_.Join(u"cache")};
  EnvOverride language_{"LC_ALL", u"C"};
  EnvOverride wav_{"KELVORA_WAV_DIR", folder_.Join(u"wav")};
};

TEST_F(WedgedServerCommand, SayEndsWithAReasonOrSpeaksThroughEspeak) {
  const struct {
    const char* voice;
    int status;
    const char* said;  // in the error output
    size_t wavFiles;
  } cases[] = {
      {"0", 1, "the text could not be spoken: speech-dispatcher: the server does not answer", 0},
      {"1", 0, "", 1},
  };
  for (const auto& c : cases) {
    std::ostringstream err;
    auto start = Clock::now();
    EXPECT_EQ(SayRun({"--voice", c.voice, "hello"}, err), c.status) << err.str();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(8)) << c.voice;
    EXPECT_NE(err.str().find(c.said), std::string::npos) << err.str();
    EXPECT_EQ(FolderEntriesGet(folder_.Join(u"wav"), u"*.wav").size(), c.wavFiles) << c.voice;
  }
}

TEST_F(WedgedServerCommand, VoicesListsWhatItHasInTime) {
  std::ostringstream out, err;
  auto start = Clock::now();
  EXPECT_EQ(VoicesRun(out, err), 0) << err.str();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(out.str().rfind("0\tSpeechPlatform\tEnglish (speech-dispatcher, espeak-ng)\n", 0), 0u)
      << out.str();
  EXPECT_NE(out.str().find("\tSAPI5\t"), std::string::npos);
}

}  // namespace
