// The window thread's longest stall, measured through the Qt binding's event loop over a whole
// run of the real window: opening, START (the starter dictionary compiled, the greeting and
// notices queued), chat appended by another process's pace while the speech servers misbehave,
// and leaving. A 10 ms timer's fires are the loop's pulse; the longest gap between two is the
// longest the window could not answer. Release build, under Xvfb: scripts/window-stall.
//   window_stall [BOUND_MS]   exits 1 when a stall or the leaving exceeds its bound
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "app/uMainFrm.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "speech/runtime/posix_runtimes.h"
#include "speech/testing/fake_ssip_server_posix.h"
#include "speech/testing/speechd_servers_posix.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

// What speech-dispatcher does in a run: absent, taking connections and never answering, or
// taking none at all. Its voice (listed at the last run) is the window's in the two last.
enum class Server { kNone, kWedged, kFullBacklog };

struct Result {
  Milliseconds longest{};
  Milliseconds leaving{};
};

Result Run(Server server) {
  TempFolder folder;
  for (const char16_t* sub : {u"wav", u"program", u"cache/kelvora"}) FolderMake(folder.Join(sub));
  FileWrite(folder.Join(u"program/Dictionary.txt"),
            FileBytes(SourcePath(u"packaging/templates/Dictionary.txt")));
  if (server != Server::kNone) {
    FileWrite(folder.Join(u"cache/kelvora/speech-dispatcher-voices-" +
                          Utf8ToText(LanguagePreferred()) + u".txt"),
              "espeak-ng\tEnglish\ten\n");
  }
  const Text socket = folder.Join(u"speechd.sock");
  std::unique_ptr<SilentSocket> wedged;
  std::unique_ptr<FullBacklogSocket> full;
  if (server == Server::kWedged) wedged = std::make_unique<SilentSocket>(socket);
  if (server == Server::kFullBacklog) full = std::make_unique<FullBacklogSocket>(socket);
  EnvOverride address("SPEECHD_ADDRESS", u"unix_socket:" + socket);
  EnvOverride cache("XDG_CACHE_HOME", folder.Join(u"cache"));
  EnvOverride config("XDG_CONFIG_HOME", folder.Join(u"config"));  // no server started on demand
  EnvOverride roaming("KELVORA_APPDATA", folder.Join(u"roaming"));
  EnvOverride local("KELVORA_LOCAL_APPDATA", folder.Join(u"local"));
  EnvOverride program("KELVORA_PROGRAM_DIR", folder.Join(u"program"));
  EnvOverride wav("KELVORA_WAV_DIR", folder.Join(u"wav"));
  FolderMake(folder.Join(u"config/speech-dispatcher"));
  FileWrite(folder.Join(u"config/speech-dispatcher/speechd.conf"), "DisableAutoSpawn\n");
  const Text chat = folder.Join(u"chat.txt");
  FileWrite(chat, "");
  ui::MessageHookSet([](TextView, ui::MessageKind) {});
  ui::OpenFileHookSet([&](const ui::OpenFileRequest&) -> std::optional<ui::OpenFileResult> {
    return ui::OpenFileResult{chat, 0};
  });
  SpeechPlatformClassesRegister();
  int argc = 1;
  char name[] = "kelvora";
  char* argv[] = {name, nullptr};
  Result result;
  {
    ui::Application app(argc, argv, kApplicationTitle);
    auto frm = std::make_unique<TMainFrm>();
    frm->MainFrm.Show();
    frm->Button4.Click();  // Browse
    frm->RadioButton1.Click();
    frm->RadioButton4.Click();
    app.ProcessEventsFor(300);  // shown
    ui::Timer pulse(frm->MainFrm);
    std::optional<Clock::time_point> last;
    pulse.SetInterval(10);
    pulse.OnTimer([&] {
      Clock::time_point now = Clock::now();
      if (last) result.longest = std::max<Milliseconds>(result.longest, now - *last);
      last = now;
    });
    pulse.SetEnabled(true);
    app.ProcessEventsFor(50);
    // START as the user clicks it: a handler of the loop, its time in the pulse.
    ui::Application::Post([&] { frm->Button1.Click(); });
    std::thread writer([&] {
      for (const char* line : {"one", "two", "three", "four", "five", "six"}) {
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        FileAppend(chat, std::string("[2024/05/01 18:01]  Ann (ann.example): line ") + line +
                             ", brb lol, see http://example.com/x\n");
      }
    });
    app.ProcessEventsFor(6000);
    writer.join();
    app.ProcessEventsFor(1000);
    auto start = Clock::now();
    ui::Application::Dispatch([&] { frm->FormDestroy(); });
    frm.reset();
    SpeechRelease();
    result.leaving = Clock::now() - start;
  }
  ui::MessageHookSet(nullptr);
  ui::OpenFileHookSet(nullptr);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  double bound = argc > 1 ? std::atof(argv[1]) : 50;
  bool good = true;
  for (auto [server, label] : {std::pair{Server::kNone, "espeak-ng only"},
                               std::pair{Server::kWedged, "wedged speech-dispatcher"},
                               std::pair{Server::kFullBacklog, "full listen backlog"}}) {
    Result r = Run(server);
    std::printf("%-26s longest stall %6.1f ms   leaving %6.1f ms\n", label, r.longest.count(),
                r.leaving.count());
    good = good && r.longest.count() <= bound && r.leaving.count() <= 1000;
  }
  std::printf("%s (bounds: stall %.0f ms, leaving 1000 ms)\n", good ? "PASS" : "FAIL", bound);
  return good ? 0 : 1;
}
