// The program as a person uses it: the Qt window with the real speech runtimes (espeak-ng into a
// WAV folder), a fake viewer account in a temporary app-data folder.
#include <gtest/gtest.h>

#include <optional>

#include "app/uMainFrm.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "speech/runtime/runtime.h"
#include "speech/uSpeechLib.h"

namespace {

size_t WavCount(const Text& folder) { return FolderEntriesGet(folder, u"kelvora-*.wav").size(); }

TEST(ProgramWindow, StartThenAppendedChatIsSpokenIntoAWav) {
  TempFolder folder;
  EnvOverride roaming("KELVORA_APPDATA", folder.Join(u"roaming"));
  EnvOverride local("KELVORA_LOCAL_APPDATA", folder.Join(u"local"));
  EnvOverride program("KELVORA_PROGRAM_DIR", folder.Join(u"program"));
  EnvOverride wav("KELVORA_WAV_DIR", folder.Join(u"wav"));
  EnvOverride secondLife("SECONDLIFE_USER_DIR", u"");
  FolderMake(folder.Join(u"wav"));
  Text account = PathJoin(ViewerFolderGet(u"SecondLife"), u"ann_example");
  FolderMake(account);
  FileWrite(PathJoin(account, u"settings_per_account.xml"), "<llsd><map/></llsd>");
  Text chat = PathJoin(account, u"chat.txt");
  FileWrite(chat, "[2024/05/01 18:00]  Old Line (old.line): not spoken\n");

  // Under Xvfb when the test command gives a display, else on Qt's offscreen platform.
  std::optional<EnvOverride> platform;
  if (!ui::DisplayAvailable()) platform.emplace("QT_QPA_PLATFORM", u"offscreen");
  int argc = 1;
  char name[] = "kelvora";
  char* argv[] = {name, nullptr};
  ui::Application app(argc, argv, kApplicationTitle);
  std::vector<Text> messages;
  ui::MessageHookSet([&](TextView text, ui::MessageKind) { messages.emplace_back(text); });
  SpeechPlatformClassesRegister();
  {
    TMainFrm frm;
    frm.MainFrm.Show();
    app.ProcessEventsFor(300);
    EXPECT_TRUE(frm.MainFrm.Screenshot(u"mainfrm.png"));
    frm.RadioButton2.Click();
    frm.ComboBox2.UserSelect(0);
    frm.RadioButton4.Click();
    frm.Button1.Click();
    app.ProcessEventsFor(100);
    EXPECT_EQ(frm.Button1.Caption(), u"STOP");
    size_t greeting = 1;
    FileAppend(chat,
               "[2024/05/01 18:01]  Ann Example (ann.example): Hello everyone, nice to see you\n");
    app.ProcessEventsFor(2200);  // two ticks
    SpeechWait(frm.ComboBox3.ItemIndex(), 10000);
    EXPECT_EQ(WavCount(folder.Join(u"wav")), greeting + 1);
    frm.Button1.Click();
    ui::Application::Dispatch([&] { frm.FormDestroy(); });
  }
  EXPECT_TRUE(messages.empty()) << TextToUtf8(messages.front());
  SpeechRelease();
  ui::MessageHookSet(nullptr);
}

}  // namespace
