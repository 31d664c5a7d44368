#include "app/testing/window_run_posix.h"

#include <memory>
#include <string>
#include <thread>

#include "app/testing/machine_pauses_posix.h"
#include "app/uMainFrm.h"
#include "platform/platform.h"
#include "platform/testing/testing.h"
#include "speech/runtime/posix_runtimes.h"
#include "speech/testing/fake_ssip_server_posix.h"
#include "speech/testing/speechd_servers_posix.h"
#include "ui/testing/dialog_hooks.h"

namespace {

using Clock = std::chrono::steady_clock;

// The program's folders in a temporary one, with no speech-dispatcher started on demand.
class ProgramFolders {
 public:
  ProgramFolders() {
    for (const char16_t* sub :
         {u"wav", u"program", u"cache/kelvora", u"config/speech-dispatcher"}) {
      FolderMake(folder_.Join(sub));
    }
    FileWrite(folder_.Join(u"config/speech-dispatcher/speechd.conf"), "DisableAutoSpawn\n");
  }
  Text Join(std::u16string_view relative) const { return folder_.Join(relative); }

 private:
  TempFolder folder_;
  EnvOverride cache_{"XDG_CACHE_HOME", folder_.Join(u"cache")};
  EnvOverride config_{"XDG_CONFIG_HOME", folder_.Join(u"config")};
  EnvOverride roaming_{"KELVORA_APPDATA", folder_.Join(u"roaming")};
  EnvOverride local_{"KELVORA_LOCAL_APPDATA", folder_.Join(u"local")};
  EnvOverride program_{"KELVORA_PROGRAM_DIR", folder_.Join(u"program")};
  EnvOverride wav_{"KELVORA_WAV_DIR", folder_.Join(u"wav")};
};

void StallsMeasure(const std::vector<TimeSpan>& gaps, const std::vector<TimeSpan>& pauses,
                   WindowRunResult& result) {
  for (const TimeSpan& gap : gaps) {
    result.longestStall =
        std::max<decltype(result.longestStall)>(result.longestStall, gap.end - gap.start);
    result.longestOwnStall = std::max(result.longestOwnStall, UncoveredPart(gap, pauses));
  }
  for (const TimeSpan& pause : pauses) result.machinePaused += pause.end - pause.start;
}

}  // namespace

WindowRunResult WindowRunMeasured(SpeechServer server) {
  ProgramFolders folders;
  FileWrite(folders.Join(u"program/Dictionary.txt"),
            FileBytes(SourcePath(u"packaging/templates/Dictionary.txt")));
  if (server != SpeechServer::kNone) {
    FileWrite(folders.Join(u"cache/kelvora/speech-dispatcher-voices-" +
                           Utf8ToText(LanguagePreferred()) + u".txt"),
              "espeak-ng\tEnglish\ten\n");
  }
  const Text socket = folders.Join(u"speechd.sock");
  std::unique_ptr<SilentSocket> wedged;
  std::unique_ptr<FullBacklogSocket> full;
  if (server == SpeechServer::kWedged) wedged = std::make_unique<SilentSocket>(socket);
  if (server == SpeechServer::kFullBacklog) full = std::make_unique<FullBacklogSocket>(socket);
  EnvOverride address("SPEECHD_ADDRESS", u"unix_socket:" + socket);
  const Text chat = folders.Join(u"chat.txt");
  FileWrite(chat, "");
  WindowRunResult result;
  ui::MessageHookSet([&](TextView text, ui::MessageKind) { result.messages.emplace_back(text); });
  ui::OpenFileHookSet([&](const ui::OpenFileRequest&) -> std::optional<ui::OpenFileResult> {
    return ui::OpenFileResult{chat, 0};
  });
  SpeechPlatformClassesRegister();
  int argc = 1;
  char name[] = "kelvora";
  char* argv[] = {name, nullptr};
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
    std::vector<TimeSpan> gaps;
    MachinePauses machine;
    pulse.SetInterval(10);
    pulse.OnTimer([&] {
      Clock::time_point now = Clock::now();
      if (last) gaps.push_back({*last, now});
      last = now;
    });
    pulse.SetEnabled(true);
    // From here the loop runs without a break: START is a click it handles, and the chat is
    // appended by another thread, as the viewer would.
    ui::Application::Post([&] { frm->Button1.Click(); });
    std::thread viewer([&] {
      for (const char* line : {"one", "two", "three", "four", "five"}) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        FileAppend(chat, std::string("[2024/05/01 18:01]  Ann (ann.example): line ") + line +
                             ", brb lol, see http://example.com/x\n");
      }
    });
    app.ProcessEventsFor(7000);
    viewer.join();
    app.ProcessEventsFor(1000);
    pulse.SetEnabled(false);
    StallsMeasure(gaps, machine.Take(), result);
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
