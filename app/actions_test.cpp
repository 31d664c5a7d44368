// The actions a listener has from anywhere, against the scripted runtime, on whichever binding
// the test program links.
#include "app/actions.h"

#include "app/testing/mainfrm_test_fixture.h"

namespace {

// Who may ask for what: another process only for what the command line offers and the media
// controls' own methods; quit, the options and the window never from outside.
TEST(ActionTable, OutsideRequestsOnlyForWhatTheyMayAsk) {
  using Kind = ui::RemoteRequest::Kind;
  const struct {
    Kind kind;
    const char* name;
    std::optional<TControlAction> action;
  } cases[] = {
      {Kind::kCommand, "skip", TControlAction::kSkip},
      {Kind::kCommand, "pause", TControlAction::kPause},
      {Kind::kCommand, "resume", TControlAction::kResume},
      {Kind::kCommand, "repeat", TControlAction::kRepeat},
      {Kind::kCommand, "mute", TControlAction::kMute},
      {Kind::kCommand, "playpause", std::nullopt},
      {Kind::kCommand, "quit", std::nullopt},
      {Kind::kCommand, "options", std::nullopt},
      {Kind::kCommand, "toggle", std::nullopt},
      {Kind::kCommand, "raise", std::nullopt},
      {Kind::kCommand, "Skip", std::nullopt},
      {Kind::kCommand, "", std::nullopt},
      {Kind::kMediaControl, "PlayPause", TControlAction::kPlayPause},
      {Kind::kMediaControl, "Play", TControlAction::kResume},
      {Kind::kMediaControl, "Pause", TControlAction::kPause},
      {Kind::kMediaControl, "Next", TControlAction::kSkip},
      {Kind::kMediaControl, "Stop", TControlAction::kSkip},
      {Kind::kMediaControl, "Previous", TControlAction::kRepeat},
      {Kind::kMediaControl, "Raise", TControlAction::kRaise},
      {Kind::kMediaControl, "Quit", std::nullopt},
      {Kind::kMediaControl, "skip", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ActionOfRequest({c.kind, c.name}), c.action) << c.name;
  }
  for (const char* verb : {"skip", "pause", "resume", "repeat", "mute"}) {
    EXPECT_TRUE(IsCommandLineVerb(verb)) << verb;
  }
  for (const char* verb : {"playpause", "quit", "options", "toggle", "raise", "help"}) {
    EXPECT_FALSE(IsCommandLineVerb(verb)) << verb;
  }
}

// The tray's menu and the hotkeys come from the same table as the commands.
TEST(ActionTable, TrayMenuAndHotkeys) {
  const std::vector<std::pair<Text, std::string>> tray = {{u"Skip", "skip"},
                                                          {u"Pause / Resume", "playpause"},
                                                          {u"Repeat", "repeat"},
                                                          {u"Mute last speaker", "mute"},
                                                          {u"", ""},
                                                          {u"Options...", "options"},
                                                          {u"Show / Hide window", "toggle"},
                                                          {u"Quit", "quit"}};
  EXPECT_EQ(TrayMenuItems(), tray);
  TOptions options;
  options.HotkeySkip = u"Ctrl+K";
  options.HotkeyPause = u" ";
  options.HotkeyRepeat = u"Ctrl+Nothing";
  options.HotkeyMute = u"Ctrl+M";
  const THotkeysWanted wanted = HotkeysWanted(options);
  const std::vector<std::pair<ui::KeyChord, std::string>> keys = {
      {*ui::KeyChordParse(u"Ctrl+K"), "skip"}, {*ui::KeyChordParse(u"Ctrl+M"), "mute"}};
  EXPECT_EQ(wanted.keys, keys);
  EXPECT_EQ(wanted.unusable, std::vector<Text>{u"Ctrl+Nothing"});
  EXPECT_EQ(HotkeysUnusableText(wanted.unusable),
            u"These hotkeys cannot be used (not a key, or another program has them): "
            u"Ctrl+Nothing.");
  EXPECT_EQ(HotkeysUnusableText({}), u"");
  for (const auto& [caption, verb] : tray) {
    if (!verb.empty()) {
      EXPECT_TRUE(ActionOfVerb(verb)) << verb;
    }
  }
}

class ActionsTest : public MainFrmTest {
 protected:
  void Say(const std::string& line) {
    FileAppend(ChatFile(), "[18:01]  " + line + "\n");
    App().ProcessEventsFor(1500);
  }
  std::vector<std::string> SpokenTexts() const {
    std::vector<std::string> texts;
    for (const auto& s : platform_->spoken) texts.push_back(s.text);
    return texts;
  }
};

// Pause stops at once; chat that comes meanwhile waits under the queue limit; Resume speaks the
// cut text again from its start, then the newest lines with the note of those passed over.
TEST_F(ActionsTest, PauseHoldsChatUnderTheLimitAndResumeSpeaksItNewestFirst) {
  TMainFrm& f = StartWithLinesHeld("MaxQueue=2\n");  // the greeting speaks for a minute
  size_t before = platform_->spoken.size();
  f.ControlActionRun(TControlAction::kPause);
  EXPECT_EQ(Spoken(*platform_).back(), SpeakCall(kSpeakPurge, "."));
  Say("Ann (ann.example): four");
  ClockTo(10000);
  App().ProcessEventsFor(300);
  EXPECT_EQ(platform_->spoken.size(), before) << "spoken while paused";
  f.ControlActionRun(TControlAction::kResume);
  for (double t = 20000; SpeechBusy(); t += 1000) {
    ClockTo(t);
    App().ProcessEventsFor(100);
  }
  std::vector<std::string> all = SpokenTexts();
  std::vector<std::string> after(all.begin() + static_cast<long>(before), all.end());
  EXPECT_EQ(after, (std::vector<std::string>{TextToUtf8(kGreetingXml),  // again, from its start
                                             "2 skipped. Ann : three", "Ann : four"}));
}

// Repeat speaks the last chat text again, also after Skip; Skip stops both engines.
TEST_F(ActionsTest, RepeatAfterSkip) {
  TMainFrm& f = MonitoringStarted();
  Say("Ann (ann.example): hello there");
  f.ControlActionRun(TControlAction::kSkip);
  EXPECT_EQ(Spoken(*sapi5_).back(), SpeakCall(kSpeakPurge, "."));
  platform_->calls.clear();
  f.ControlActionRun(TControlAction::kRepeat);
  App().ProcessEventsFor(100);
  EXPECT_EQ(Spoken(*platform_),
            std::vector<std::string>{SpeakCall(kSpeakPlain, "Ann : hello there")});
}

// Mute silences the speaker of the last chat spoken until the next START, says so, and writes
// no side file.
TEST_F(ActionsTest, MuteSilencesTheLastSpeakerUntilTheNextStart) {
  TMainFrm& f = MonitoringStarted();
  Say("Bob (bob.sample): spam");
  f.ControlActionRun(TControlAction::kMute);
  App().ProcessEventsFor(100);
  EXPECT_EQ(Spoken(*platform_).back(), SpeakCall(kSpeakXml, "bob sample muted."));
  platform_->calls.clear();
  Say("Bob (bob.sample): more spam");
  Say("Ann (ann.example): hi");
  EXPECT_EQ(Spoken(*platform_), std::vector<std::string>{SpeakCall(kSpeakPlain, "Ann : hi")});
  EXPECT_FALSE(FileExists(folder_.Join(u"program/BlackList.txt")));
  f.Button1.Click();  // STOP
  f.Button1.Click();  // START
  platform_->calls.clear();
  Say("Bob (bob.sample): back");
  EXPECT_EQ(Spoken(*platform_).back(), SpeakCall(kSpeakPlain, "Bob : back"));
}

// Mute while one text holds several speakers' lines: the speaker being heard is muted, exactly
// that speaker's lines go (in the text being spoken and in the queue), and the others' are still
// said.
TEST_F(ActionsTest, MuteSilencesTheSpeakerBeingHeardOnly) {
  platform_->clock = [this] { return now_; };
  platform_->secondsPerCharacter = 0.1;
  TMainFrm& f = MonitoringStarted();
  ClockTo(100);
  FileAppend(ChatFile(),
             "[18:01]  Ann (ann.example): first\n[18:01]  Bob (bob.sample): second\n"
             "[18:01]  Ann (ann.example): third\n[18:01]  Cat (cat.tester): fourth\n");
  App().ProcessEventsFor(1100);
  ClockTo(100.5);  // "Ann : first" is being heard
  platform_->calls.clear();
  f.ControlActionRun(TControlAction::kMute);
  App().ProcessEventsFor(100);
  for (double t = 101; SpeechBusy() && t < 200; t += 1) {
    ClockTo(t);
    App().ProcessEventsFor(20);
  }
  EXPECT_EQ(Spoken(*platform_),
            (std::vector<std::string>{SpeakCall(kSpeakPurge, "."),
                                      SpeakCall(kSpeakPlain, "Bob : second\r\nCat : fourth"),
                                      SpeakCall(kSpeakXml, "ann example muted.")}));
}

}  // namespace
