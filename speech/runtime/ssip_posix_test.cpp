// The speech-dispatcher runtime against a server of the test's own that speaks SSIP over a real
// socket and misbehaves to order: whatever it does, Speak returns at once, each text's end is
// told exactly once (or fails in bounded time), and the runtime lets go within a second.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/testing/testing.h"
#include "speech/runtime/posix_runtimes.h"
#include "speech/testing/fake_ssip_server_posix.h"
#include "speech/testing/runtime_contract.h"

namespace {

using Clock = std::chrono::steady_clock;
using End = FakeSsipScript::End;
constexpr auto kAtOnce = std::chrono::milliseconds(50);
constexpr auto kLetGo = std::chrono::seconds(1);

struct MisbehaviourCase {
  const char* name;
  FakeSsipScript script;
  bool fullBacklog;     // no server but a socket that takes no connection
  const char* failure;  // in the text's failure; nullptr: spoken
  int endWithin;        // milliseconds: the reply time-out is 2 s
};

class FakeServerTest : public ::testing::TestWithParam<MisbehaviourCase> {
 protected:
  TempFolder folder_;
  Text socket_ = folder_.Join(u"speechd.sock");
  EnvOverride address_{"SPEECHD_ADDRESS", u"unix_socket:" + socket_};
  EnvOverride cache_{"XDG_CACHE_HOME", folder_.Join(u"cache")};
};

// Times one call of the window's thread.
template <typename Call>
auto AtOnce(Call call) {
  auto start = Clock::now();
  auto result = call();
  EXPECT_LT(Clock::now() - start, kAtOnce);
  return result;
}

TEST_P(FakeServerTest, EachEndToldOnceAndLettingGoIsQuick) {
  const MisbehaviourCase& c = GetParam();
  std::unique_ptr<FakeSsipServer> server;
  std::unique_ptr<FullBacklogSocket> full;
  if (c.fullBacklog) {
    full = std::make_unique<FullBacklogSocket>(socket_);
  } else {
    server = std::make_unique<FakeSsipServer>(socket_, c.script);
  }
  EventProbe probe;
  auto voice = AtOnce([&] { return SpeechdVoiceCreate(probe.Handler()); });
  int32_t stream = AtOnce([&] { return voice->Speak(u"hello", kFlagAsync | kFlagIsNotXml); });
  auto start = Clock::now();
  ASSERT_TRUE(probe.EndsAwait({stream}, c.endWithin)) << "no end within " << c.endWithin << " ms";
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // a second telling would be in
  EXPECT_EQ(probe.EndsOf(stream), 1);
  std::string failure = probe.FailureOf(stream);
  if (c.failure) {
    EXPECT_NE(failure.find(c.failure), std::string::npos) << failure;
  } else {
    EXPECT_EQ(failure, "");
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(c.endWithin));
  }
  EXPECT_EQ(AtOnce([&] { return voice->Pending(); }), 0);
  // Let go of while it waits on the server again.
  AtOnce([&] { return voice->Speak(u"again", kFlagAsync | kFlagIsNotXml); });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  auto letGo = Clock::now();
  voice.reset();
  EXPECT_LT(Clock::now() - letGo, kLetGo);
}

FakeSsipScript Script(End end) {
  FakeSsipScript script;
  script.end = end;
  return script;
}

FakeSsipScript Stalling(bool FakeSsipScript::*what, bool value) {
  FakeSsipScript script;
  script.*what = value;
  return script;
}

INSTANTIATE_TEST_SUITE_P(
    Ssip, FakeServerTest,
    ::testing::Values(
        MisbehaviourCase{"EndAfterReply", Script(End::kAfter), false, nullptr, 1500},
        MisbehaviourCase{"EndInTheReplysWrite", Script(End::kWithReply), false, nullptr, 1500},
        MisbehaviourCase{"EndBeforeItsReply", Script(End::kBeforeReply), false, nullptr, 1500},
        MisbehaviourCase{"EndSplitOverWrites", Script(End::kSplit), false, nullptr, 1500},
        MisbehaviourCase{"ReplyNeverSent", Stalling(&FakeSsipScript::answerSpeak, false), false,
                         "does not answer", 3000},
        MisbehaviourCase{"ClosedMidReply", Stalling(&FakeSsipScript::closeMidReply, true), false,
                         "went away", 1500},
        // These two fail the voice listing first (2 s), then the text (2 s more).
        MisbehaviourCase{"StallsAfterSet", Stalling(&FakeSsipScript::stallAfterFirstSet, true),
                         false, "does not answer", 5000},
        MisbehaviourCase{"FullListenBacklog", {}, true, "takes no connection", 5000}),
    [](const ::testing::TestParamInfo<MisbehaviourCase>& info) { return info.param.name; });

// Skip while the server speaks: the cancel's reply and its CANCELLED notices come in one write;
// every text ends once, and nothing stays pending.
TEST(FakeServer, CancelSettlesEveryTextSent) {
  TempFolder folder;
  Text socket = folder.Join(u"speechd.sock");
  EnvOverride address("SPEECHD_ADDRESS", u"unix_socket:" + socket);
  EnvOverride cache("XDG_CACHE_HOME", folder.Join(u"cache"));
  FakeSsipScript slow;
  slow.speakTime = std::chrono::milliseconds(5000);
  FakeSsipServer server(socket, slow);
  EventProbe probe;
  auto voice = SpeechdVoiceCreate(probe.Handler());
  std::vector<int32_t> streams;
  for (const char16_t* text : {u"one", u"two", u"three"}) {
    streams.push_back(voice->Speak(text, kFlagAsync | kFlagIsNotXml));
  }
  auto sent = [&] {
    auto received = server.Received();
    return std::count_if(received.begin(), received.end(),
                         [](const std::string& line) { return line.rfind("DATA ", 0) == 0; });
  };
  for (int i = 0; i < 200 && sent() < 3; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(sent(), 3);
  AtOnce([&] { return voice->Speak(u".", kFlagAsync | kFlagPurgeBeforeSpeak); });
  EXPECT_EQ(voice->Pending(), 0);
  int32_t after = voice->Speak(u"after", kFlagAsync | kFlagIsNotXml);
  EXPECT_TRUE(probe.EndsAwait(streams, 1000));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  for (int32_t stream : streams) EXPECT_EQ(probe.EndsOf(stream), 1) << stream;
  EXPECT_EQ(probe.EndsOf(after), 0) << "the cancel's notices end only what they name";
  auto received = server.Received();
  EXPECT_NE(std::find(received.begin(), received.end(), "CANCEL SELF"), received.end());
}

// The contract, against a well-behaved server of the test's own.
TEST(FakeServer, KeepsTheRuntimeContract) {
  TempFolder folder;
  Text socket = folder.Join(u"speechd.sock");
  EnvOverride address("SPEECHD_ADDRESS", u"unix_socket:" + socket);
  EnvOverride cache("XDG_CACHE_HOME", folder.Join(u"cache"));
  FakeSsipServer server(socket, Script(End::kAfter));
  RuntimeContractCheck(SpeechdVoiceCreate);
}

}  // namespace
