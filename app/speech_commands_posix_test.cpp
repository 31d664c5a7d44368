// kelvora say and kelvora voices end in bounded time whatever speech-dispatcher does: here a
// server that takes the connection and never answers, and one whose listen backlog is full. The
// README's waits: the voice list at most 8 s, a text at most twice its length plus 5 s; each
// command ends within its waits and a second.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <sstream>

#include "app/commands.h"
#include "platform/testing/testing.h"
#include "speech/testing/fake_ssip_server_posix.h"
#include "speech/testing/speechd_servers_posix.h"

namespace {

using Clock = std::chrono::steady_clock;

// A server that never answers (a socket that takes connections), or none that takes any.
enum class Wedge { kSilent, kFullBacklog };

class WedgedServerCommand : public ::testing::TestWithParam<Wedge> {
 protected:
  WedgedServerCommand() {
    if (GetParam() == Wedge::kSilent) {
      silent_ = std::make_unique<SilentSocket>(socket_);
    } else {
      full_ = std::make_unique<FullBacklogSocket>(socket_);
    }
    FolderMake(folder_.Join(u"wav"));
    FolderMake(folder_.Join(u"cache/kelvora"));
    // The last run listed one speech-dispatcher voice: it comes first, as index 0.
    FileWrite(folder_.Join(u"cache/kelvora/speech-dispatcher-voices-en-us.txt"),
              "espeak-ng\tEnglish\ten\n");
  }
  TempFolder folder_;
  Text socket_ = folder_.Join(u"speechd.sock");
  std::unique_ptr<SilentSocket> silent_;
  std::unique_ptr<FullBacklogSocket> full_;
  EnvOverride address_{"SPEECHD_ADDRESS", u"unix_socket:" + socket_};
  EnvOverride cache_{"XDG_CACHE_HOME", folder_.Join(u"cache")};
  EnvOverride language_{"LC_ALL", u"C"};
  EnvOverride wav_{"KELVORA_WAV_DIR", folder_.Join(u"wav")};
};

TEST_P(WedgedServerCommand, SayEndsWithAReasonOrSpeaksThroughEspeak) {
  const struct {
    const char* voice;
    int status;
    const char* said;  // in the error output
    size_t wavFiles;
  } cases[] = {
      {"0", 1, "the text could not be spoken: speech-dispatcher: ", 0},
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

TEST_P(WedgedServerCommand, VoicesListsWhatItHasInTime) {
  std::ostringstream out, err;
  auto start = Clock::now();
  EXPECT_EQ(VoicesRun(out, err), 0) << err.str();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(out.str().rfind("0\tSpeechPlatform\tEnglish (speech-dispatcher, espeak-ng)\n", 0), 0u)
      << out.str();
  EXPECT_NE(out.str().find("\tSAPI5\t"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Speechd, WedgedServerCommand,
                         ::testing::Values(Wedge::kSilent, Wedge::kFullBacklog),
                         [](const ::testing::TestParamInfo<Wedge>& info) {
                           return info.param == Wedge::kSilent ? "NeverAnswers" : "FullBacklog";
                         });

}  // namespace
