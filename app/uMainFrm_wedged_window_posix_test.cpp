// The Qt window with a speech-dispatcher that takes the connection and never answers, its voice
// the window's own (listed from the last run): the window's event loop never stalls, the
// warning comes once, and the program leaves at once.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/uMainFrm.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "speech/runtime/posix_runtimes.h"
#include "speech/testing/speechd_servers_posix.h"
#include "speech/uSpeechLib.h"

namespace {

using Clock = std::chrono::steady_clock;

TEST(WedgedServerWindow, EventLoopNeverStallsAndLeavingIsQuick) {
  TempFolder folder;
  FolderMake(folder.Join(u"wav"));
  FolderMake(folder.Join(u"cache/kelvora"));
  FileWrite(folder.Join(u"cache/kelvora/speech-dispatcher-voices-" +
                        Utf8ToText(LanguagePreferred()) + u".txt"),
            "espeak-ng\tEnglish\ten\n");
  SilentSocket silent(folder.Join(u"silent.sock"));
  EnvOverride address("SPEECHD_ADDRESS", u"unix_socket:" + folder.Join(u"silent.sock"));
  EnvOverride cache("XDG_CACHE_HOME", folder.Join(u"cache"));
  EnvOverride roaming("KELVORA_APPDATA", folder.Join(u"roaming"));
  EnvOverride local("KELVORA_LOCAL_APPDATA", folder.Join(u"local"));
  EnvOverride program("KELVORA_PROGRAM_DIR", folder.Join(u"program"));
  EnvOverride wav("KELVORA_WAV_DIR", folder.Join(u"wav"));
  const Text chat = folder.Join(u"chat.txt");
  FileWrite(chat, "");
  std::vector<Text> messages;
  ui::MessageHookSet([&](TextView text, ui::MessageKind) { messages.emplace_back(text); });
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
    ASSERT_GT(frm->ComboBox3.ItemCount(), 0);
    ASSERT_NE(frm->ComboBox3.ItemText(frm->ComboBox3.ItemIndex()).find(u"speech-dispatcher"),
              Text::npos);
    frm->MainFrm.Show();
    app.ProcessEventsFor(300);
    // The loop's pulse: the longest gap between the fires of a 10 ms timer.
    ui::Timer pulse(frm->MainFrm);
    std::optional<Clock::time_point> last;
    Clock::duration longest{};
    pulse.SetInterval(10);
    pulse.OnTimer([&] {
      Clock::time_point now = Clock::now();
      if (last) longest = std::max(longest, now - *last);
      last = now;
    });
    pulse.SetEnabled(true);
    frm->Button4.Click();  // Browse
    frm->RadioButton1.Click();
    frm->RadioButton4.Click();
    // From here the loop runs without a break: START is a click handled by it (the greeting goes
    // to the wedged server), and the chat is appended by another thread, as the viewer would.
    ui::Application::Post([&] { frm->Button1.Click(); });
    std::thread viewer([&] {
      for (const char* line : {"one", "two", "three"}) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        FileAppend(chat, std::string("[2024/05/01 18:01]  Ann (ann.example): ") + line + "\n");
      }
    });
    app.ProcessEventsFor(8000);
    viewer.join();
    EXPECT_LT(longest, std::chrono::milliseconds(50));
    EXPECT_EQ(messages.size(), 1u);  // the warning, once for the episode
    auto start = Clock::now();
    ui::Application::Dispatch([&] { frm->FormDestroy(); });
    frm.reset();
    SpeechRelease();
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
  }
  ui::MessageHookSet(nullptr);
  ui::OpenFileHookSet(nullptr);
}

}  // namespace
