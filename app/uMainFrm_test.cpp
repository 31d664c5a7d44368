// The main window against the headless binding, with scripted speech and temporary folders.
#include "app/uMainFrm.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/settings.h"
#include "app/testing/mainfrm_test_fixture.h"
#include "platform/platform.h"
#include "platform/testing/testing.h"
#include "speech/testing/speech_testing.h"
#include "speech/uSpeechLib.h"
#include "text/uText.h"
#include "ui/testing/dialog_hooks.h"
#include "viewer/viewer.h"

namespace {

TEST_F(MainFrmTest, StartUpFillsTheWindowWithTheDefaults) {
  TMainFrm& f = Frm();
  EXPECT_EQ(f.MainFrm.Caption(), u"KELVORA Pro - Chat to Speech");
  EXPECT_EQ(f.ComboBox3.ItemCount(), 3);
  EXPECT_EQ(f.ComboBox3.ItemText(0), u"Platform A");
  EXPECT_EQ(f.ComboBox3.ItemIndex(), 0);
  EXPECT_EQ(f.LastVoiceIndex, 0);
  EXPECT_EQ(f.Label6.GetText(), u"Ver." + VersionGet());
  EXPECT_EQ(f.DialogEncodings, (std::vector<Text>{u"UTF8", u"SJIS"}));
  EXPECT_EQ(f.ComboBox1.ItemCount(), 2);
  EXPECT_EQ(f.ComboBox1.ItemIndex(), 0);
  EXPECT_EQ(f.ComboBox2.ItemCount(), 1);
  EXPECT_EQ(f.ComboBox2.ItemText(0), u"ann example");
  EXPECT_EQ(f.ComboBox2.ItemIndex(), -1);
  EXPECT_TRUE(f.RadioButton1.Checked());
  EXPECT_TRUE(f.RadioButton3.Checked());
  EXPECT_FALSE(f.Edit2.Enabled());
  EXPECT_FALSE(f.ComboBox4.Enabled());
  EXPECT_EQ(f.Edit1.GetText(), u"chat.txt");
  EXPECT_EQ(f.SpinEdit1.Value(), 1);
  EXPECT_EQ(f.Timer1.Interval(), 1000);
  EXPECT_FALSE(f.Timer1.Enabled());
  EXPECT_EQ(f.SpinEdit2.Value(), 100);
  EXPECT_EQ(f.SpinEdit3.Value(), 0);
  EXPECT_EQ(f.Monitor.MasterFileSize, -1);
  EXPECT_EQ(f.LinkLabel1.Link(), kProductPage);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(MainFrmTest, StartGreetsDisablesTheGroupsAndStopEnablesThem) {
  TMainFrm& f = Frm();
  f.Button1.Click();
  App().ProcessEventsFor(0);
  EXPECT_EQ(f.Button1.Caption(), u"STOP");
  EXPECT_TRUE(f.Timer1.Enabled());
  for (ui::Widget* w :
       std::initializer_list<ui::Widget*>{&f.GroupBox1, &f.GroupBox2, &f.GroupBox3, &f.Button2}) {
    EXPECT_FALSE(w->Usable());
  }
  EXPECT_TRUE(f.Button3.Usable());
  EXPECT_TRUE(f.SpinEdit1.Usable());
  EXPECT_EQ(Spoken(*platform_),
            std::vector<std::string>{SpeakCall(kSpeakXml, TextToUtf8(kGreetingXml))});
  f.Button1.Click();
  App().ProcessEventsFor(0);
  EXPECT_EQ(f.Button1.Caption(), u"START");
  EXPECT_FALSE(f.Timer1.Enabled());
  EXPECT_TRUE(f.GroupBox1.Usable());
  EXPECT_TRUE(f.Button2.Usable());
}

TEST_F(MainFrmTest, GreetingFallsBackToPlainTextWithoutWarning) {
  platform_->refuses = [](TextView, int32_t flags) { return (flags & 8) != 0; };
  Frm().Button1.Click();
  EXPECT_EQ(Spoken(*platform_),
            (std::vector<std::string>{SpeakCall(kSpeakXml, TextToUtf8(kGreetingXml)),
                                      SpeakCall(kSpeakPlain, "Thank you for using KEL VOR A.")}));
  EXPECT_EQ(Warnings(), 0u);
}

TEST_F(MainFrmTest, ListNoticeOnlyForViewerAndSecondLifeChat) {
  FolderMake(folder_.Join(u"program"));
  FileWrite(folder_.Join(u"program/WhiteList.txt"),
            "# VORTANE PROJECT KELVORA User List Format V 1.0\n");
  Frm().RadioButton4.Click();
  Frm().Button1.Click();
  Frm().Button1.Click();
  EXPECT_EQ(Spoken(*platform_).size(), 1u);  // "Selected File": the greeting only
  platform_->calls.clear();
  ViewerChatChoose();
  FileWrite(ChatFile(), "");
  Frm().Button1.Click();
  ASSERT_EQ(Spoken(*platform_).size(), 2u);
  EXPECT_EQ(Spoken(*platform_)[1],
            SpeakCall(kSpeakXml,
                      "Your white list is empty, so <pron sym=\"k eh l ! v ao r ah\" />. "
                      "speaks nothing."));
}

TEST_F(MainFrmTest, TickSpeaksAppendedChatWithTheChosenVoiceVolumeAndRate) {
  TMainFrm& f = Frm();
  ViewerChatChoose();
  FileWrite(ChatFile(), "[2024/05/01 18:00]  Old One (old.one): before start\n");
  f.ComboBox3.UserSelect(2);
  f.SpinEdit2.UserType(u"40");
  f.SpinEdit3.UserType(u"-3");
  f.SpinEdit1.UserType(u"3");
  f.Button1.Click();
  sapi5_->calls.clear();
  FileAppend(ChatFile(), "[2024/05/01 18:01]  Ann Example (ann.example): Hello (Bonjour)\n");
  // The interval's tick reads it, if the binding's file watcher did not wake one before.
  App().ProcessEventsFor(3400);
  EXPECT_EQ(sapi5_->calls,
            (std::vector<std::string>{"SetVoice 1", "SetVolume 40", "SetRate -3",
                                      SpeakCall(kSpeakPlain, "Ann Example : Hello (Bonjour)")}));
  EXPECT_TRUE(f.Timer1.Enabled());
}

// A voice that can no longer be taken: the speech warning once for the episode, and the monitor
// goes on; once the voice speaks again, a new failure is told again.
TEST_F(MainFrmTest, SpeechThatFailsIsWarnedOnceAndMonitoringGoesOn) {
  TMainFrm& f = MonitoringStarted();
  platform_->setVoiceFails = true;
  for (const char* line : {"hi", "again"}) {
    FileAppend(ChatFile(),
               "[2024/05/01 18:01]  Ann Example (ann.example): " + std::string(line) + "\n");
    App().ProcessEventsFor(1500);
  }
  EXPECT_EQ(Warnings(), 1u);
  EXPECT_TRUE(f.Timer1.Enabled());
  platform_->setVoiceFails = false;
  FileAppend(ChatFile(), "[2024/05/01 18:02]  Ann Example (ann.example): spoken\n");
  App().ProcessEventsFor(1500);
  EXPECT_EQ(Spoken(*platform_).back(), SpeakCall(kSpeakPlain, "Ann Example : spoken"));
  platform_->refuses = [](TextView, int32_t) { return true; };
  FileAppend(ChatFile(), "[2024/05/01 18:03]  Ann Example (ann.example): refused\n");
  App().ProcessEventsFor(1500);
  EXPECT_EQ(Warnings(), 2u);
}

// A dictionary entry or a custom mask that does not compile stops START with one error:
// monitoring never begins with them.
TEST_F(MainFrmTest, BadDictionaryOrMaskStopsStart) {
  TMainFrm& f = Frm();
  FolderMake(folder_.Join(u"program"));
  struct {
    std::string dictionary;
    const char16_t* mask;
    const char* expected;
  } cases[] = {
      {"ok\tfine\n(\tx\n", nullptr, "Dictionary.txt, line 3: Regular expression \"(\""},
      {"", u"(", "Custom(RegEx) mask: Regular expression \"(\""},
  };
  for (const auto& c : cases) {
    messages_.clear();
    FileWrite(folder_.Join(u"program/Dictionary.txt"),
              "# VORTANE PROJECT KELVORA Dictionary Format V 1.0\n" + c.dictionary);
    if (c.mask) {
      f.RadioButton5.Click();
      f.Edit2.UserType(c.mask);
    }
    f.Button1.Click();
    ASSERT_EQ(messages_.size(), 1u) << c.expected;
    EXPECT_EQ(messages_[0].second, ui::MessageKind::kError);
    EXPECT_NE(TextToUtf8(messages_[0].first).find(c.expected), std::string::npos)
        << TextToUtf8(messages_[0].first);
    EXPECT_FALSE(f.Timer1.Enabled());
    EXPECT_TRUE(f.GroupBox2.Usable());
  }
}

// Skip stops both engines: a Voices.txt voice of the other engine may be the one speaking.
TEST_F(MainFrmTest, SkipPurgesEveryEngine) {
  Frm().ComboBox3.UserSelect(1);
  platform_->calls.clear();
  sapi5_->calls.clear();
  Frm().Button3.Click();
  EXPECT_EQ(sapi5_->calls, std::vector<std::string>{SpeakCall(kSpeakPurge, ".")});
  EXPECT_EQ(platform_->calls, std::vector<std::string>{SpeakCall(kSpeakPurge, ".")});
}

TEST_F(MainFrmTest, VoiceChangePurgesTheVoiceUsedSoFarAndReadsItsEngine) {
  TMainFrm& f = Frm();
  sapi5_->volume = 55;
  sapi5_->rate = 4;
  f.ComboBox3.UserSelect(1);
  EXPECT_EQ(platform_->CallsOf("Speak"), std::vector<std::string>{SpeakCall(kSpeakPurge, ".")});
  EXPECT_EQ(f.LastVoiceIndex, 1);
  EXPECT_EQ(f.SpinEdit2.Value(), 55);
  EXPECT_EQ(f.SpinEdit3.Value(), 4);
  sapi5_->calls.clear();
  f.ComboBox3.UserSelect(1);  // the same voice again: nothing
  EXPECT_TRUE(sapi5_->calls.empty());
}

TEST_F(MainFrmTest, BrowseStartsInTheViewerFolderAndKeepsChoicesOnCancel) {
  TMainFrm& f = Frm();
  f.EncodingIndex = 1;
  std::optional<ui::OpenFileRequest> asked;
  ui::OpenFileHookSet([&](const ui::OpenFileRequest& r) -> std::optional<ui::OpenFileResult> {
    asked = r;
    return std::nullopt;
  });
  f.Button4.Click();
  ASSERT_TRUE(asked);
  EXPECT_EQ(asked->initialFolder, ViewerFolderGet(u"SecondLife"));
  EXPECT_EQ(asked->encodingIndex, 0);
  EXPECT_EQ(asked->filterPattern, u"*.txt");
  EXPECT_EQ(f.Edit1.GetText(), u"chat.txt");
  EXPECT_EQ(f.EncodingIndex, 1);
  ui::OpenFileHookSet([&](const ui::OpenFileRequest& r) -> std::optional<ui::OpenFileResult> {
    asked = r;
    return ui::OpenFileResult{ChatFile(), 1};
  });
  FileWrite(ChatFile(), "");
  f.Button4.Click();
  EXPECT_EQ(f.Edit1.GetText(), ChatFile());
  EXPECT_EQ(f.EncodingIndex, 1);
  f.Button4.Click();  // now the chosen file's folder, with the encoding as it is
  EXPECT_EQ(asked->initialFolder, PathFolderPart(ChatFile()));
  EXPECT_EQ(asked->encodingIndex, 1);
}

TEST_F(MainFrmTest, DefaultKeepsTheTextMode) {
  TMainFrm& f = Frm();
  f.RadioButton5.Click();
  f.RadioButton2.Click();
  f.SpinEdit2.UserType(u"20");
  f.Button2.Click();
  EXPECT_TRUE(f.RadioButton5.Checked());
  EXPECT_TRUE(f.RadioButton1.Checked());
  EXPECT_EQ(f.SpinEdit2.Value(), 100);
}

TEST_F(MainFrmTest, ShutDownSavesAndStartUpRestores) {
  TMainFrm& f = Frm();
  ViewerChatChoose();
  f.ComboBox3.UserSelect(2);
  f.SpinEdit1.UserType(u"4");
  f.EncodingIndex = 1;
  f.FormDestroy();
  ProfileFile ini(SettingsPath());
  EXPECT_EQ(ini.IntegerGet(u"Setup", u"FileType", -1), 1);
  EXPECT_EQ(ini.IntegerGet(u"Setup", u"TexType", -1), 1);
  EXPECT_EQ(ini.IntegerGet(u"Voice", u"Voice", -1), 2);
  EXPECT_EQ(ini.StringGet(u"SecondLife", u"Avatar", u""), u"ann example");
  frm_.reset();
  SpeechRelease();
  TMainFrm& again = Frm();
  EXPECT_TRUE(again.RadioButton2.Checked());
  EXPECT_TRUE(again.RadioButton4.Checked());
  EXPECT_TRUE(again.ComboBox4.Enabled());
  EXPECT_EQ(again.ComboBox2.ItemIndex(), 0);
  EXPECT_EQ(again.ComboBox3.ItemIndex(), 2);
  EXPECT_EQ(again.Timer1.Interval(), 4000);
  EXPECT_EQ(again.EncodingIndex, 1);
  EXPECT_EQ(again.AvatarName(), u"ann_example");
  EXPECT_EQ(again.TargetFileGet(1), ChatFile());
}

// START in "Viewer" mode speaks one hint when nothing can be read; monitoring starts all the
// same, and a log that appears later is read.
TEST_F(MainFrmTest, StartHintsWhenTheViewerLogsNothing) {
  const std::string notLogging =
      "<llsd><map><key>LogNearbyChat</key><map><key>Value</key><boolean>0</boolean></map>"
      "</map></llsd>";
  struct {
    const char* name;
    std::string settings;
    bool chatFile;
    std::string expected;  // the last text spoken; empty: none beyond the greeting
  } cases[] = {
      {"no chat log yet", "<llsd><map/></llsd>", false, "No chat log found for ann example."},
      {"nearby chat not logged", notLogging, true,
       "The Second Life viewer is not logging nearby chat."},
      {"all well", "<llsd><map/></llsd>", true, ""},
  };
  for (const auto& c : cases) {
    FileWrite(PathJoin(Account(u"ann_example"), u"settings_per_account.xml"), c.settings);
    std::filesystem::remove(std::filesystem::path(ChatFile()));
    if (c.chatFile) FileWrite(ChatFile(), "");
    TMainFrm& f = Frm();
    ViewerChatChoose();
    platform_->calls.clear();
    f.Button1.Click();
    std::vector<std::string> spoken = Spoken(*platform_);
    ASSERT_EQ(spoken.size(), c.expected.empty() ? 1u : 2u) << c.name;
    if (!c.expected.empty()) {
      EXPECT_EQ(spoken[1], SpeakCall(kSpeakXml, c.expected)) << c.name;
    }
    EXPECT_TRUE(f.Timer1.Enabled());
    f.Button1.Click();
  }
  // Started without a log: the file that appears is read whole.
  std::filesystem::remove(std::filesystem::path(ChatFile()));
  Frm().Button1.Click();
  FileWrite(ChatFile(), "[2024/05/01 18:01]  Ann Example (ann.example): here now\n");
  platform_->calls.clear();
  App().ProcessEventsFor(1500);
  EXPECT_EQ(Spoken(*platform_),
            std::vector<std::string>{SpeakCall(kSpeakPlain, "Ann Example : here now")});
}

// The log is found once, at START, in a log folder of the account's own: the viewer rewriting
// its settings (caught half-written, or naming no folder) never moves the ticks to another file,
// nor makes them speak old chat again.
TEST_F(MainFrmTest, SettingsRewrittenWhileMonitoringMoveNothing) {
  const Text root = folder_.Join(u"logs");
  const Text log = PathJoin(PathJoin(root, u"ann_example"), u"chat.txt");
  FolderMake(PathFolderPart(log));
  FileWrite(PathJoin(Account(u"ann_example"), u"settings_per_account.xml"),
            "<llsd><map><key>InstantMessageLogPath</key><map><key>Value</key><string>" +
                TextToUtf8(root) + "</string></map></map></llsd>");
  FileWrite(log, "[2024/05/01 17:00]  Ann Example (ann.example): said long ago\n");
  FileWrite(ChatFile(), "[2024/05/01 17:00]  Bob (bob.sample): in the default folder\n");
  TMainFrm& f = Frm();
  ViewerChatChoose();
  f.Button1.Click();
  for (const char* settings : {"<llsd><map><key>InstantMe", "<llsd><map/></llsd>"}) {
    FileWrite(PathJoin(Account(u"ann_example"), u"settings_per_account.xml"), settings);
    platform_->calls.clear();
    FileAppend(log, "[2024/05/01 18:01]  Ann Example (ann.example): now\n");
    App().ProcessEventsFor(1500);
    EXPECT_EQ(Spoken(*platform_),
              std::vector<std::string>{SpeakCall(kSpeakPlain, "Ann Example : now")})
        << settings;
  }
}

// Voices.txt gives a speaker a voice of their own; consecutive entries of one voice go as one
// text, and a voice there is not is the window's.
TEST_F(MainFrmTest, SpeakersListedInVoicesTxtSpeakInTheirVoice) {
  FolderMake(folder_.Join(u"program"));
  FileWrite(folder_.Join(u"program/Voices.txt"),
            "# VORTANE PROJECT KELVORA Voice List Format V 1.0\nbob.sample\tSapi B\n"
            "carl.other\tNo Such Voice\n");
  MonitoringStarted();
  platform_->calls.clear();
  sapi5_->calls.clear();
  FileAppend(ChatFile(),
             "[18:01]  Ann Example (ann.example): one\n[18:01]  Carl Other (carl.other): two\n"
             "[18:02]  Bob Sample (bob.sample): three\n[18:02]  Bob Sample (bob.sample): four\n");
  App().ProcessEventsFor(1500);
  EXPECT_EQ(Spoken(*platform_), std::vector<std::string>{SpeakCall(
                                    kSpeakPlain, "Ann Example : one\r\nCarl Other : two")});
  EXPECT_EQ(sapi5_->calls, (std::vector<std::string>{
                               "SetVoice 1", "SetVolume 100", "SetRate 0",
                               SpeakCall(kSpeakPlain, "Bob Sample : three\r\nBob Sample : four")}));
}

// AutoVoices: each speaker without a Voices.txt voice speaks in a voice and pitch of their own,
// picked among the window voice's engine and language; Voices.txt still comes first, and a
// line without a speaker keeps the window's voice.
TEST_F(MainFrmTest, AutoVoicesGiveEachSpeakerAVoiceAndPitch) {
  sapi5_->voiceLanguages = {u"en-us", u"en-gb"};
  FolderMake(folder_.Join(u"program"));
  FileWrite(folder_.Join(u"program/Voices.txt"),
            "# VORTANE PROJECT KELVORA Voice List Format V 1.0\ndana.other\tPlatform A\n");
  SetupIniWrite("[Options]\nAutoVoices=1\n");
  TMainFrm& f = Frm();
  f.ComboBox3.UserSelect(1);  // Sapi A
  ViewerChatChoose();
  FileWrite(ChatFile(), "");
  f.Button1.Click();
  platform_->calls.clear();
  sapi5_->calls.clear();
  FileAppend(ChatFile(),
             "[18:01]  Ann (ann.example): one\n[18:01]  Bob (bob.sample): two\n"
             "[18:01]  Carl (carl.other): three\n[18:01]  Dana (dana.other): four\n"
             "[18:01]  Second Life: a notice\n");
  App().ProcessEventsFor(1500);
  std::vector<std::string> voiceAndPitch;
  for (const std::string& call : sapi5_->calls) {
    if (call.rfind("SetVoice", 0) == 0 || call.rfind("SetPitch", 0) == 0 ||
        call.rfind("Speak", 0) == 0) {
      voiceAndPitch.push_back(call);
    }
  }
  EXPECT_EQ(voiceAndPitch,
            (std::vector<std::string>{
                "SetVoice 1", "SetPitch -3", SpeakCall(kSpeakPlain, "Ann : one"), "SetVoice 1",
                "SetPitch 1", SpeakCall(kSpeakPlain, "Bob : two"), "SetVoice 0",
                "SetPitch 0",  // Carl's own pick, and the notice's window voice
                SpeakCall(kSpeakPlain, "Carl : three"), "SetVoice 0",
                SpeakCall(kSpeakPlain, "Second Life : a notice")}));
  EXPECT_EQ(Spoken(*platform_), std::vector<std::string>{SpeakCall(kSpeakPlain, "Dana : four")});
}

// START says once what the side files hold that can never match; Voices.txt finds a voice by the
// name a user writes, in any case and without the engine's suffix.
TEST_F(MainFrmTest, StartNamesSideFileLinesThatCanNeverMatch) {
  FolderMake(folder_.Join(u"program"));
  FileWrite(folder_.Join(u"program/BlackList.txt"),
            "# VORTANE PROJECT KELVORA User List Format V 1.0\nJane Doe\nann_example\n");
  FileWrite(folder_.Join(u"program/Voices.txt"),
            "# VORTANE PROJECT KELVORA Voice List Format V 1.0\nbob.sample\tsapi b\n"
            "Carl Other\tNo Such Voice\nDana Other\tNo Such Voice\n");
  MonitoringStarted();
  std::vector<std::string> spoken = Spoken(*platform_);
  ASSERT_FALSE(spoken.empty());
  EXPECT_EQ(spoken.back(),
            SpeakCall(kSpeakXml,
                      "line 3 of BlackList.txt is not a user name. Voices.txt names no voice "
                      "called No Such Voice."));
  platform_->calls.clear();
  sapi5_->calls.clear();
  FileAppend(ChatFile(), "[18:01]  Jane Doe: silenced\n[18:01]  Bob Sample (bob.sample): spoken\n");
  App().ProcessEventsFor(1500);
  EXPECT_TRUE(Spoken(*platform_).empty());
  EXPECT_EQ(Spoken(*sapi5_),
            std::vector<std::string>{SpeakCall(kSpeakPlain, "Bob Sample : spoken")});
}

// With speech that takes time, no more than MaxQueue texts wait; the window hands them on as
// the voice falls silent, the next one saying how many lines were passed over.
TEST_F(MainFrmTest, SpeechKeepsUpWithTheQueueLimit) {
  TMainFrm& f = StartWithLinesHeld("MaxQueue=1\nMaxLength=12\n");
  EXPECT_EQ(SpeechQueueLength(), 1);
  ClockTo(1000);
  App().ProcessEventsFor(300);
  EXPECT_EQ(platform_->spoken.back().text, "2 skipped. Ann : three");
  FileAppend(ChatFile(), "[18:02]  Ann (ann.example): a message longer than twelve\n");
  App().ProcessEventsFor(1100);
  ClockTo(2000);
  App().ProcessEventsFor(300);
  EXPECT_EQ(platform_->spoken.back().text, "Ann : a message and so on");
  f.FormDestroy();
  ProfileFile ini(SettingsPath());
  EXPECT_EQ(ini.IntegerGet(u"Options", u"MaxQueue", -1), 1);
  EXPECT_EQ(ini.IntegerGet(u"Options", u"MaxLength", -1), 12);
}

// A line that mentions you jumps the lines that wait, and the limit never passes it over; the
// media controls and the tray say it is for you.
TEST_F(MainFrmTest, AMentionJumpsAFullQueueAndSurvivesTheLimit) {
  StartWithLinesHeld("MaxQueue=1\nMyNames=zoe.example, Zoe\n");
  FileAppend(ChatFile(),
             "[18:02]  Bob (bob.sample): Zoe, are you there?\n[18:02]  Carl (carl.other): four\n"
             "[18:02]  Dana (dana.other): five\n");
  App().ProcessEventsFor(1100);
  ClockTo(1000);
  App().ProcessEventsFor(300);
  EXPECT_EQ(platform_->spoken.back().text, "For you. Bob : Zoe, are you there?");
  ui::RemoteState state = SpeechRemoteState(true);
  EXPECT_TRUE(state.forYou);
  EXPECT_EQ(state.title, u"For you. Zoe, are you there?");
  EXPECT_EQ(TrayTooltipOf(state), Text(kApplicationTitle) + u": reading Bob, for you");
  ClockTo(2000);
  App().ProcessEventsFor(300);
  EXPECT_EQ(platform_->spoken.back().text, "4 skipped. Dana : five");
}

// What is spoken of nearby chat and a Firestorm copy of an instant message under these
// [Options], the viewer keeping no transcripts: the copy said once, with its prefix.
class ConversationTest : public MainFrmTest {
 protected:
  std::vector<std::string> SpokenUnder(const std::string& options) {
    SetupIniWrite("[Options]\n" + options);
    FileWrite(PathJoin(Account(u"ann_example"), u"settings_per_account.xml"),
              "<llsd><map><key>KeepConversationLogTranscripts</key><map><key>Value</key>"
              "<integer>1</integer></map></map></llsd>");
    MonitoringStarted();
    platform_->calls.clear();
    FileAppend(ChatFile(),
               "[18:01]  Carl (carl.other): hi all\n[18:01]  Carl (carl.other): hi zoe\n"
               "[18:01]  IM%3A Bob Sample: psst\n");
    App().ProcessEventsFor(1500);
    return Spoken(*platform_);
  }
  static std::vector<std::string> Calls(const std::vector<std::string>& texts) {
    std::vector<std::string> calls;
    for (const std::string& text : texts) calls.push_back(SpeakCall(kSpeakPlain, text));
    return calls;
  }
};

TEST_F(ConversationTest, OnlyWhatConcernsYouAndInstantMessages) {
  EXPECT_EQ(SpokenUnder("Mentions=2\nMyNames=Zoe\n"),
            Calls({"For you. Carl : hi zoe", "IM, Bob Sample : psst"}));
}

TEST_F(ConversationTest, InstantMessagesSilenced) {
  EXPECT_EQ(SpokenUnder("Mentions=2\nMyNames=Zoe\nSpeakIMs=0\n"),
            Calls({"For you. Carl : hi zoe"}));
}

TEST_F(ConversationTest, MentionsAsAnyLine) {
  EXPECT_EQ(SpokenUnder("Mentions=0\nMyNames=Zoe\n"),
            Calls({"Carl : hi all\r\nCarl : hi zoe\r\nIM, Bob Sample : psst"}));
}

// NameRepeat from Setup.ini: a speaker's next entry within the time goes without the name, on
// the window's clock; CatchUp is kept with the other options.
TEST_F(MainFrmTest, NameRepeatLeavesTheNameOutWithinItsTime) {
  SetupIniWrite("[Options]\nNameRepeat=30\nCatchUp=5\n");
  TMainFrm& f = Frm();
  double seconds = 0;
  f.SecondsNow = [&] { return seconds; };
  ViewerChatChoose();
  FileWrite(ChatFile(), "");
  f.Button1.Click();
  const struct {
    double at;
    const char* line;
    const char* spoken;
  } steps[] = {
      {100, "Ann (ann.example): one", "Ann : one"},
      {110, "Ann (ann.example): two", "two"},
      {150, "Ann (ann.example): three", "Ann : three"},
      {151, "Bob (bob.sample): four", "Bob : four"},
  };
  for (const auto& step : steps) {
    seconds = step.at;
    FileAppend(ChatFile(), std::string("[18:01]  ") + step.line + "\n");
    App().ProcessEventsFor(1500);
    EXPECT_EQ(Spoken(*platform_).back(), SpeakCall(kSpeakPlain, step.spoken)) << step.line;
  }
  f.FormDestroy();
  ProfileFile ini(SettingsPath());
  EXPECT_EQ(ini.IntegerGet(u"Options", u"NameRepeat", -1), 30);
  EXPECT_EQ(ini.IntegerGet(u"Options", u"CatchUp", -1), 5);
}

// A warning box runs a message loop of its own, in which the timers go on: speech that fails
// again meanwhile opens no second box behind the first.
TEST_F(MainFrmTest, WarningBoxesNeverStack) {
  StartWithLinesHeld("MaxQueue=0\n");
  int open = 0, most = 0, shown = 0;
  ui::MessageHookSet([&](TextView, ui::MessageKind) {
    ++shown;
    most = std::max(most, ++open);
    App().ProcessEventsFor(500);  // while the box is open
    --open;
  });
  platform_->refuses = [](TextView, int32_t) { return true; };
  ClockTo(1000);
  App().ProcessEventsFor(1000);
  EXPECT_GE(shown, 1);
  EXPECT_EQ(most, 1);
}

// A voice whose name cannot be read: creation goes on with the voices read so far, the warning
// once, and Setup.ini is loaded and saved as the user left it.
TEST_F(MainFrmTest, UnreadableVoiceKeepsTheSettings) {
  SetupIniWrite("[Voice]\nVolume=33\n[Setup]\nInterval=7\n");
  sapi5_->nameFailsAt = 1;
  TMainFrm& f = Frm();
  EXPECT_EQ(Warnings(), 1u);
  EXPECT_EQ(f.ComboBox3.ItemCount(), 2);
  EXPECT_EQ(f.SpinEdit2.Value(), 33);
  f.FormDestroy();
  ProfileFile ini(SettingsPath());
  EXPECT_EQ(ini.IntegerGet(u"Voice", u"Volume", -1), 33);
  EXPECT_EQ(ini.IntegerGet(u"Setup", u"Interval", -1), 7);
}

// The voice list may differ from the last run's: the stored name finds the voice chosen then.
TEST_F(MainFrmTest, ChosenVoiceIsFoundByNameWhenTheListChanged) {
  SetupIniWrite("[Voice]\nVoice=0\n[Options]\nVoiceName=Sapi B\n");
  TMainFrm& f = Frm();
  EXPECT_EQ(f.ComboBox3.ItemIndex(), 2);
  f.ComboBox3.UserSelect(1);
  f.FormDestroy();
  ProfileFile ini(SettingsPath());
  EXPECT_EQ(ini.IntegerGet(u"Voice", u"Voice", -1), 1);
  EXPECT_EQ(ini.StringGet(u"Options", u"VoiceName", u""), u"Sapi A");
}

TEST_F(MainFrmTest, NoVoicesGiveExactlyTheCountedWarnings) {
  platform_->createFails = true;
  sapi5_->getVoicesFails = true;
  TMainFrm& f = Frm();
  EXPECT_EQ(Warnings(), 1u);  // creation
  EXPECT_EQ(f.ComboBox3.ItemIndex(), -1);
  ViewerChatChoose();
  FolderMake(folder_.Join(u"program"));
  FileWrite(folder_.Join(u"program/WhiteList.txt"),
            "# VORTANE PROJECT KELVORA User List Format V 1.0\n");
  FileWrite(ChatFile(), "");
  f.Button1.Click();
  EXPECT_EQ(Warnings(), 3u);  // the greeting, then the list notice
  FileAppend(ChatFile(), "[2024/05/01 18:01]  Ann Example (ann.example): hi\n");
  App().ProcessEventsFor(1500);  // one tick, with room for a real clock
  EXPECT_EQ(Warnings(), 3u);     // silenced by the empty white list: nothing to speak
  f.Button1.Click();
  ChatFilter.WhiteListMode = false;
  FileWrite(folder_.Join(u"program/WhiteList.txt"),
            "# VORTANE PROJECT KELVORA User List Format V 1.0\nann.example\n");
  f.Button1.Click();
  EXPECT_EQ(Warnings(), 4u);  // the greeting only
  FileAppend(ChatFile(), "[2024/05/01 18:02]  Ann Example (ann.example): again\n");
  App().ProcessEventsFor(1500);
  EXPECT_EQ(Warnings(), 5u);  // a tick with text
}

}  // namespace
