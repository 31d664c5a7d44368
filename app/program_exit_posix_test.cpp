// The real program leaves within a second of SIGTERM and of its window's close, whatever the
// speech server does: one that takes connections and never answers, one whose listen backlog is
// full, one whose synthesiser is frozen while it holds a text. The window speaks through the
// server's voice (the first in the list), and START has sent it the greeting.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <memory>
#include <thread>

#include "app/testing/program_posix.h"
#include "platform/platform.h"
#include "platform/testing/testing.h"
#include "speech/testing/fake_ssip_server_posix.h"
#include "speech/testing/speechd_servers_posix.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr char kTitle[] = "KELVORA Pro - Chat to Speech";

enum class Server { kWedged, kFullBacklog, kFrozenModule };
enum class Leave { kSigterm, kWindowClose };

struct ExitCase {
  const char* name;
  Server server;
  Leave leave;
};

class ProgramExit : public ::testing::TestWithParam<ExitCase> {
 protected:
  ProgramExit() {
    for (const char16_t* sub : {u"wav", u"program", u"cache/kelvora", u"config/speech-dispatcher",
                                u"local/VORTANE PROJECT/KELVORA_Pro"}) {
      FolderMake(folder_.Join(sub));
    }
    FileWrite(folder_.Join(u"config/speech-dispatcher/speechd.conf"), "DisableAutoSpawn\n");
    FileWrite(chat_, "");
    FileWrite(folder_.Join(u"local/VORTANE PROJECT/KELVORA_Pro/Setup.ini"),
              "[Setup]\nFileType=0\nTargetFile=" + TextToUtf8(chat_) + "\nTexType=1\n");
    // The last run listed one speech-dispatcher voice: the window's voice, first in the list.
    FileWrite(folder_.Join(u"cache/kelvora/speech-dispatcher-voices-en-us.txt"),
              "espeak-ng\tEnglish\ten\n");
  }

  std::vector<std::pair<std::string, Text>> Environment(const Text& address) const {
    return {{"SPEECHD_ADDRESS", address},
            {"XDG_CACHE_HOME", folder_.Join(u"cache")},
            {"XDG_CONFIG_HOME", folder_.Join(u"config")},
            {"LC_ALL", u"C.UTF-8"},
            {"KELVORA_APPDATA", folder_.Join(u"roaming")},
            {"KELVORA_LOCAL_APPDATA", folder_.Join(u"local")},
            {"KELVORA_PROGRAM_DIR", folder_.Join(u"program")},
            {"KELVORA_WAV_DIR", folder_.Join(u"wav")},
            // What the leak check does at the end of a sanitised build is not the program's.
            {"ASAN_OPTIONS", u"detect_leaks=0"}};
  }

  TempFolder folder_;
  Text chat_ = folder_.Join(u"chat.txt");
};

TEST_P(ProgramExit, LeavesWithinASecond) {
  const ExitCase& c = GetParam();
  Text socket = folder_.Join(u"speechd.sock");
  std::unique_ptr<SilentSocket> wedged;
  std::unique_ptr<FullBacklogSocket> full;
  std::unique_ptr<PrivateServer> server;
  Text address = u"unix_socket:" + socket;
  switch (c.server) {
    case Server::kWedged:
      wedged = std::make_unique<SilentSocket>(socket);
      break;
    case Server::kFullBacklog:
      full = std::make_unique<FullBacklogSocket>(socket);
      break;
    case Server::kFrozenModule:
      if (!ServerInstalled()) GTEST_SKIP() << "speech-dispatcher is not installed";
      server = std::make_unique<PrivateServer>(folder_);
      ASSERT_TRUE(server->Running());
      address = server->Address();
      break;
  }
  ProgramProcess program(KELVORA_PROGRAM, Environment(address));
  ASSERT_GT(program.Pid(), 0);
  unsigned long window = WindowAwait(kTitle, std::chrono::seconds(20));
  ASSERT_NE(window, 0u) << "no window";
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  WindowClick(window, 38, 82);  // START: the greeting goes to the server's voice
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  if (c.server == Server::kFrozenModule) {
    // The server spoke the greeting; frozen now, it holds the next text.
    pid_t module = server->Module();
    ASSERT_GT(module, 0);
    ::kill(module, SIGSTOP);
    FileAppend(chat_, "[2024/05/01 18:01]  Ann (ann.example): a text the server holds\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  }
  auto start = Clock::now();
  if (c.leave == Leave::kSigterm) {
    ::kill(program.Pid(), SIGTERM);
  } else {
    WindowCloseAsk(window);
  }
  int status = program.EndAwait(std::chrono::seconds(10));
  auto took = Clock::now() - start;
  if (server && server->Module() > 0) ::kill(server->Module(), SIGCONT);
  EXPECT_EQ(status, 0);
  EXPECT_LT(took, std::chrono::seconds(1))
      << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
}

INSTANTIATE_TEST_SUITE_P(
    Program, ProgramExit,
    ::testing::Values(ExitCase{"WedgedSigterm", Server::kWedged, Leave::kSigterm},
                      ExitCase{"WedgedClose", Server::kWedged, Leave::kWindowClose},
                      ExitCase{"FullBacklogSigterm", Server::kFullBacklog, Leave::kSigterm},
                      ExitCase{"FullBacklogClose", Server::kFullBacklog, Leave::kWindowClose},
                      ExitCase{"FrozenModuleSigterm", Server::kFrozenModule, Leave::kSigterm},
                      ExitCase{"FrozenModuleClose", Server::kFrozenModule, Leave::kWindowClose}),
    [](const ::testing::TestParamInfo<ExitCase>& info) { return info.param.name; });

}  // namespace
