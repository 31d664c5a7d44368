// The program as a person uses it: the native window (Qt on Linux, Win32 on Windows) with the
// platform's real speech runtimes, a fake viewer account in a temporary app-data folder.
// Where the runtime has voices (espeak-ng, into a WAV folder) each text becomes a WAV file; where
// it has none (Wine's SAPI) each text the window tries to speak shows the speech warning.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "app/uMainFrm.h"
#include "platform/platform.h"
#include "platform/testing/testing.h"
#include "speech/runtime/runtime.h"
#include "speech/uSpeechLib.h"
#include "ui/testing/dialog_hooks.h"
#include "viewer/viewer.h"

namespace {

size_t WavCount(const Text& folder) { return FolderEntriesGet(folder, u"kelvora-*.wav").size(); }

class ProgramWindow : public ::testing::Test {
 protected:
  ProgramWindow() {
    FolderMake(folder_.Join(u"wav"));
    FileWrite(chat_, "[2024/05/01 18:00]  Old Line (old.line): not spoken\n");
    // Under Xvfb when the test command gives a display, else on Qt's offscreen platform.
    if (!ui::DisplayAvailable()) platform_.emplace("QT_QPA_PLATFORM", u"offscreen");
    ui::MessageHookSet([this](TextView text, ui::MessageKind) { messages_.emplace_back(text); });
    ui::OpenFileHookSet([this](const ui::OpenFileRequest&) -> std::optional<ui::OpenFileResult> {
      return ui::OpenFileResult{chat_, 0};
    });
    SpeechPlatformClassesRegister();
  }
  ~ProgramWindow() override {
    SpeechRelease();
    ui::MessageHookSet(nullptr);
    ui::OpenFileHookSet(nullptr);
  }

  // Monitors the chosen file and appends the lines one at a time: exactly two of them are heard,
  // and they sound alike, as long to within a few samples (the synthesizer carries a little state
  // from text to text); without voices, two are tried.
  void TwoHeardAlike(const std::vector<std::string>& lines);

  TempFolder folder_;
  EnvOverride roaming_{"KELVORA_APPDATA", folder_.Join(u"roaming")};
  EnvOverride local_{"KELVORA_LOCAL_APPDATA", folder_.Join(u"local")};
  EnvOverride program_{"KELVORA_PROGRAM_DIR", folder_.Join(u"program")};
  EnvOverride wav_{"KELVORA_WAV_DIR", folder_.Join(u"wav")};
  Text chat_ = folder_.Join(u"chat.txt");
  std::optional<EnvOverride> platform_;
  std::vector<Text> messages_;
  int argc_ = 1;
  char name_[8] = "kelvora";
  char* argv_[2] = {name_, nullptr};
};

// Runs the window's loop until nothing is spoken or waits, or the time is up.
void SpeechQuietAwait(ui::Application& app, int milliseconds) {
  for (int waited = 0; SpeechBusy() && waited < milliseconds; waited += 50) {
    app.ProcessEventsFor(50);
  }
}

TEST_F(ProgramWindow, StartThenAppendedChatReachesTheSpeechRuntime) {
  ui::Application app(argc_, argv_, kApplicationTitle);
  TMainFrm frm;
  bool voices = frm.ComboBox3.ItemCount() > 0;
  size_t warnings = voices ? 0 : 1;  // the window was built without a voice
  EXPECT_EQ(messages_.size(), warnings);
  frm.MainFrm.Show();
  app.ProcessEventsFor(300);
  EXPECT_TRUE(frm.MainFrm.Screenshot(folder_.Join(u"mainfrm.png")));

  frm.Button4.Click();  // Browse
  EXPECT_EQ(frm.Edit1.GetText(), chat_);
  frm.RadioButton1.Click();
  frm.RadioButton4.Click();
  frm.Button1.Click();
  app.ProcessEventsFor(100);
  EXPECT_EQ(frm.Button1.Caption(), u"STOP");
  EXPECT_FALSE(frm.GroupBox1.Usable());
  FileAppend(chat_,
             "[2024/05/01 18:01]  Ann Example (ann.example): Hello everyone, nice to see you\n");
  app.ProcessEventsFor(2200);  // two ticks
  frm.Button1.Click();
  app.ProcessEventsFor(50);
  EXPECT_EQ(frm.Button1.Caption(), u"START");
  EXPECT_TRUE(frm.GroupBox1.Usable());

  if (voices) {
    SpeechQuietAwait(app, 10000);
    EXPECT_EQ(WavCount(folder_.Join(u"wav")), 2u);  // the greeting, the line
    EXPECT_TRUE(messages_.empty()) << TextToUtf8(messages_.front());
  } else {
    ASSERT_EQ(messages_.size(), warnings + 2);  // the greeting, the line
    for (const Text& message : messages_) EXPECT_EQ(message, kSapiWarning);
  }
  ui::Application::Dispatch([&] { frm.FormDestroy(); });
}

// Shows the window and starts monitoring the chosen file (Browse) in the Second Life chat mode,
// at this interval, until the greeting is spoken.
void MonitoringStart(ui::Application& app, TMainFrm& frm, TextView interval) {
  frm.MainFrm.Show();
  frm.Button4.Click();  // Browse
  frm.RadioButton1.Click();
  frm.RadioButton4.Click();  // Second Life chat
  frm.SpinEdit1.UserType(interval);
  frm.Button1.Click();
  app.ProcessEventsFor(300);
  SpeechQuietAwait(app, 10000);
}

// The binding's file watcher wakes the tick: with the interval at 10 s, a line written reaches
// the speech runtime within a second and a half.
TEST_F(ProgramWindow, AppendedChatIsSpokenLongBeforeTheInterval) {
  ui::Application app(argc_, argv_, kApplicationTitle);
  TMainFrm frm;
  bool voices = frm.ComboBox3.ItemCount() > 0;
  MonitoringStart(app, frm, u"10");
  size_t before = voices ? WavCount(folder_.Join(u"wav")) : messages_.size();
  FileAppend(chat_, "[2024/05/01 18:01]  Ann Example (ann.example): right away\n");
  app.ProcessEventsFor(1500);
  size_t after = voices ? WavCount(folder_.Join(u"wav")) : messages_.size();
  EXPECT_EQ(after, before + 1);
  frm.Button1.Click();
  ui::Application::Dispatch([&] { frm.FormDestroy(); });
}

// The WAV files the runtime wrote, in the order it spoke them.
std::vector<std::string> WavsSpoken(const Text& folder) {
  std::vector<Text> names;
  for (const FolderEntry& entry : FolderEntriesGet(folder, u"kelvora-*.wav")) {
    names.push_back(entry.name);
  }
  std::sort(names.begin(), names.end());
  std::vector<std::string> wavs;
  for (const Text& name : names) wavs.push_back(FileContentsRead(PathJoin(folder, name)));
  return wavs;
}

void ProgramWindow::TwoHeardAlike(const std::vector<std::string>& lines) {
  ui::Application app(argc_, argv_, kApplicationTitle);
  TMainFrm frm;
  bool voices = frm.ComboBox3.ItemCount() > 0;
  MonitoringStart(app, frm, u"1");
  for (const std::string& line : lines) {
    FileAppend(chat_, line);
    app.ProcessEventsFor(1500);
    if (voices) SpeechQuietAwait(app, 10000);
  }
  frm.Button1.Click();
  if (voices) {
    std::vector<std::string> wavs = WavsSpoken(folder_.Join(u"wav"));
    ASSERT_EQ(wavs.size(), 3u);  // the greeting and the two lines
    EXPECT_GT(wavs[1].size(), 10000u);
    double first = static_cast<double>(wavs[1].size()),
           second = static_cast<double>(wavs[2].size());
    EXPECT_NEAR(first / second, 1.0, 0.02) << first << " bytes against " << second;
  } else {
    EXPECT_EQ(messages_.size(), 4u);  // the window without a voice, the greeting, two lines
  }
  ui::Application::Dispatch([&] { frm.FormDestroy(); });
}

// A display name in decorative letters, fullwidth letters and an emoji are heard as the line
// written plainly; read letter by letter, the decorated line would last five times as long.
TEST_F(ProgramWindow, DecoratedNameIsHeardPlainly) {
  // 𝓢𝓪𝓻𝓪𝓱 (sarah.belle): ｈｉ 😀
  TwoHeardAlike(
      {"[2024/05/01 18:01]  \xF0\x9D\x93\xA2\xF0\x9D\x93\xAA\xF0\x9D\x93\xBB\xF0\x9D"
       "\x93\xAA\xF0\x9D\x93\xB1 (sarah.belle): \xEF\xBD\x88\xEF\xBD\x89 \xF0\x9F\x98\x80\n",
       "[2024/05/01 18:02]  Sarah (sarah.belle): hi grinning face\n"});
}

// Firestorm's copy of an instant message in the nearby log is heard once, with its prefix, as a
// line written "IM, Bob Sample: hi there" is; a group chat's copy is not heard (SpeakGroups is off
// by default).
TEST_F(ProgramWindow, InstantMessageCopyIsHeardWithItsPrefix) {
  TwoHeardAlike({"[2024/05/01 18:01]  IM%3A [Builders Guild] Bob Sample: not heard\n",
                 "[2024/05/01 18:01]  IM%3A Bob Sample: hi there\n",
                 "[2024/05/01 18:02]  IM, Bob Sample: hi there\n"});
}

// Every conversation through the binding's own watcher: with the interval at 10 s, a line
// appended to an old IM transcript and the first line of a new group chat are heard within a
// second and a half each, and what the transcripts held at START is not.
TEST_F(ProgramWindow, ConversationsAreHeardFromTheirTranscriptsAtOnce) {
  const Text account = PathJoin(ViewerFolderGet(u"SecondLife"), u"ann_example");
  FolderMake(account);
  FileWrite(PathJoin(account, u"settings_per_account.xml"), "<llsd><map/></llsd>");
  FileWrite(PathJoin(account, u"chat.txt"), "");
  const Text bob = PathJoin(account, u"Bob Sample.txt");
  FileWrite(bob, "[2020/01/01 10:00]  Bob Sample: said long ago\n");
  FolderMake(PathFolderPart(SettingsPath()));
  FileWrite(SettingsPath(), "[Options]\nSpeakGroups=1\n");
  ui::Application app(argc_, argv_, kApplicationTitle);
  TMainFrm frm;
  bool voices = frm.ComboBox3.ItemCount() > 0;
  auto heard = [&] { return voices ? WavCount(folder_.Join(u"wav")) : messages_.size(); };
  frm.MainFrm.Show();
  frm.RadioButton2.Click();  // the viewer's log
  frm.ComboBox2.UserSelect(0);
  frm.RadioButton4.Click();
  frm.SpinEdit1.UserType(u"10");
  frm.Button1.Click();
  app.ProcessEventsFor(300);
  SpeechQuietAwait(app, 10000);
  size_t before = heard();
  EXPECT_EQ(before, voices ? 1u : 2u) << "more than the greeting at START";
  FileAppend(bob, "[18:01]  Bob Sample: hi there\n");
  app.ProcessEventsFor(1500);
  EXPECT_EQ(heard(), before + 1) << "the IM";
  SpeechQuietAwait(app, 10000);
  FileWrite(PathJoin(account, u"Builders Guild (group).txt"),
            ViewerStamp(std::time(nullptr)) + "Carl (carl.other): meeting now\n");
  app.ProcessEventsFor(1500);
  EXPECT_EQ(heard(), before + 2) << "the new group chat";
  frm.Button1.Click();
  ui::Application::Dispatch([&] { frm.FormDestroy(); });
}

struct Control {
  const char* name;
  const ui::Widget& widget;
};

bool Overlap(const ui::Bounds& a, const ui::Bounds& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

// Every caption and item is drawn whole with the fonts the system has: each control's text fits
// it, and no control runs into another of its container or past the container's edge.
TEST_F(ProgramWindow, EveryTextIsDrawnWhole) {
  ui::Application app(argc_, argv_, kApplicationTitle);
  TMainFrm frm;
  frm.MainFrm.Show();
  app.ProcessEventsFor(200);
  TMainFrm& f = frm;
  const std::vector<std::vector<Control>> containers = {
      {{"Image1", f.Image1},
       {"Label5", f.Label5},
       {"Label6", f.Label6},
       {"LinkLabel1", f.LinkLabel1}},
      {{"Button1", f.Button1},
       {"Button3", f.Button3},
       {"Label2", f.Label2},
       {"SpinEdit1", f.SpinEdit1},
       {"Button2", f.Button2}},
      {{"Label3", f.Label3},
       {"ComboBox3", f.ComboBox3},
       {"Label7", f.Label7},
       {"SpinEdit2", f.SpinEdit2},
       {"Label8", f.Label8},
       {"SpinEdit3", f.SpinEdit3}},
      {{"RadioButton2", f.RadioButton2},
       {"ComboBox1", f.ComboBox1},
       {"Label4", f.Label4},
       {"ComboBox2", f.ComboBox2},
       {"RadioButton1", f.RadioButton1},
       {"Edit1", f.Edit1},
       {"Button4", f.Button4}},
      {{"RadioButton4", f.RadioButton4},
       {"ComboBox4", f.ComboBox4},
       {"ComboBox5", f.ComboBox5},
       {"RadioButton3", f.RadioButton3},
       {"RadioButton5", f.RadioButton5},
       {"Edit2", f.Edit2}},
  };
  for (const Control& group : std::vector<Control>{
           {"GroupBox1", f.GroupBox1}, {"GroupBox2", f.GroupBox2}, {"GroupBox3", f.GroupBox3}}) {
    EXPECT_TRUE(group.widget.TextFits()) << group.name;
  }
  for (const auto& controls : containers) {
    for (size_t i = 0; i < controls.size(); ++i) {
      const Control& c = controls[i];
      EXPECT_TRUE(c.widget.TextFits()) << c.name;
      ui::Bounds b = c.widget.GetBounds();
      EXPECT_LE(b.left + b.width, 476) << c.name;
      for (size_t j = i + 1; j < controls.size(); ++j) {
        EXPECT_FALSE(Overlap(b, controls[j].widget.GetBounds()))
            << c.name << " runs into " << controls[j].name;
      }
    }
  }
  // The speak boxes hold every item, whichever is chosen.
  for (int i = 0; i < f.ComboBox4.ItemCount(); ++i) EXPECT_GT(f.ComboBox4.ItemText(i).size(), 0u);
  EXPECT_TRUE(frm.MainFrm.Screenshot(folder_.Join(u"mainfrm-fit.png")));
  ui::Application::Dispatch([&] { frm.FormDestroy(); });
}

}  // namespace
