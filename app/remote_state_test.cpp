// What the window shows the desktop's media controls, and actions sent from outside, on the
// headless binding.
#include "app/testing/mainfrm_test_fixture.h"
#include "ui/headless/hotkeys_headless.h"
#include "ui/headless/remote_control_headless.h"
#include "ui/headless/tray_icon_headless.h"
#include "ui/testing/dialog_hooks.h"

namespace {

TEST_F(MainFrmTest, MediaControlsShowWhatIsSpokenAndTakeActions) {
  EXPECT_FALSE(ui::RemoteStateGet().monitoring);
  StartWithLinesHeld("MaxQueue=5\n");  // the greeting speaks, the lines wait
  ui::RemoteState state = ui::RemoteStateGet();
  EXPECT_TRUE(state.monitoring && state.speaking && !state.paused);
  EXPECT_EQ(state.title, u"Thank you for using KEL VOR A.");
  EXPECT_EQ(state.speaker, u"");
  ClockTo(1000);
  App().ProcessEventsFor(100);
  state = ui::RemoteStateGet();
  EXPECT_EQ(state.speaker, u"Ann");
  EXPECT_EQ(state.title, u"one");
  EXPECT_TRUE(ui::RemoteCommandSend("pause"));
  App().ProcessEventsFor(100);
  EXPECT_TRUE(ui::RemoteStateGet().paused);
  EXPECT_TRUE(ui::MediaControlRequest({ui::RemoteRequest::Kind::kMediaControl, "PlayPause"}));
  App().ProcessEventsFor(100);
  EXPECT_FALSE(ui::RemoteStateGet().paused);
  // What another process may not ask for is refused, and nothing is done: no dialog, the window
  // as it was.
  int dialogs = 0;
  ui::FieldsHookSet([&](const ui::FieldsRequest&) -> std::optional<std::vector<Text>> {
    ++dialogs;
    return std::nullopt;
  });
  frm_->MainFrm.Show();
  for (const char* refused : {"unknown", "quit", "options", "playpause", "toggle"}) {
    EXPECT_FALSE(ui::RemoteCommandSend(refused)) << refused;
  }
  EXPECT_FALSE(ui::MediaControlRequest({ui::RemoteRequest::Kind::kMediaControl, "Quit"}));
  App().ProcessEventsFor(100);
  EXPECT_EQ(dialogs, 0);
  EXPECT_TRUE(frm_->MainFrm.Visible());
  ui::FieldsHookSet(nullptr);
  frm_.reset();
  EXPECT_FALSE(ui::RemoteCommandSend("skip"));  // no window
}

// Default puts the default keys back and registers them: the old key does nothing any more,
// the default one skips.
TEST_F(MainFrmTest, DefaultRegistersTheDefaultKeys) {
  TMainFrm& f = StartWithLinesHeld("HotkeySkip=Ctrl+Alt+K\n");  // the greeting is speaking
  f.Button1.Click();                                            // STOP: Default can be used
  f.Button2.Click();                                            // Default
  platform_->calls.clear();
  ui::HotkeyPress({true, true, false, false, u"K"});
  EXPECT_TRUE(Spoken(*platform_).empty()) << "the replaced key still acts";
  ui::HotkeyPress({true, true, true, false, u"F9"});
  EXPECT_EQ(Spoken(*platform_), std::vector<std::string>{SpeakCall(kSpeakPurge, ".")});
}

// One text of several speakers' lines: the speaker and the words shown follow the line being
// heard, never the name nor a line break in the title; the tray says the same.
TEST_F(MainFrmTest, MediaControlsFollowTheLineBeingHeard) {
  platform_->clock = [this] { return now_; };
  platform_->secondsPerCharacter = 0.1;
  TMainFrm& f = MonitoringStarted();
  ClockTo(100);  // the greeting has ended
  FileAppend(ChatFile(),
             "[18:01]  Ann (ann.example): first of two\n[18:01]  Bob (bob.sample): second one\n"
             "[18:01]  Cat (cat.tester): /me waves\n");
  App().ProcessEventsFor(1100);
  const struct {
    double at;  // seconds into the text "Ann : first of two\r\nBob : second one\r\nCat waves"
    const char16_t *speaker, *title;
  } steps[] = {
      {0.5, u"Ann", u"first of two"}, {2.5, u"Bob", u"second one"}, {4.0, u"Cat", u"waves"}};
  for (const auto& step : steps) {
    ClockTo(100 + step.at);
    App().ProcessEventsFor(50);
    ui::RemoteState state = ui::RemoteStateGet();
    EXPECT_EQ(state.speaker, step.speaker) << step.at;
    EXPECT_EQ(state.title, step.title) << step.at;
    EXPECT_EQ(f.TrayTooltip, u"KELVORA Pro: reading " + Text(step.speaker)) << step.at;
  }
}

}  // namespace

namespace {

// The Hotkey* keys of Setup.ini act from any program; keys that cannot be used (not a key,
// another program's) are named once, and the others still work.
TEST_F(MainFrmTest, HotkeysActAndUnusableOnesAreNamedOnce) {
  const ui::KeyChord held{true, true, true, false, u"F12"};
  ui::HotkeysHeldSet({held});
  TMainFrm& f = StartWithLinesHeld("HotkeyRepeat=Shift+Q\n");
  ui::HotkeysHeldSet({});
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].first,
            u"These hotkeys cannot be used (not a key, or another program has them): Shift+Q, "
            u"Ctrl+Alt+Shift+F12.");
  ui::HotkeyPress({true, true, true, false, u"F10"});  // Pause
  EXPECT_TRUE(SpeechPaused());
  ui::HotkeyPress({true, true, true, false, u"F10"});  // and Resume
  EXPECT_FALSE(SpeechPaused());
  platform_->calls.clear();
  ui::HotkeyPress({true, true, true, false, u"F9"});  // Skip
  EXPECT_EQ(Spoken(*platform_), std::vector<std::string>{SpeakCall(kSpeakPurge, ".")});
  f.FormDestroy();
  ProfileFile ini(SettingsPath());
  EXPECT_EQ(ini.StringGet(u"Options", u"HotkeySkip", u""), u"Ctrl+Alt+Shift+F9");
  EXPECT_EQ(ini.StringGet(u"Options", u"HotkeyRepeat", u""), u"Shift+Q");
}

}  // namespace

namespace {

// The tray's menu has the actions, Show/Hide window and Quit; its tooltip says what runs.
TEST_F(MainFrmTest, TrayMenuActsAndItsTooltipFollows) {
  TMainFrm& f = Frm();
  f.MainFrm.Show();
  App().ProcessEventsFor(0);
  EXPECT_EQ(ui::TrayTooltipGet(), u"KELVORA Pro: not monitoring");
  std::vector<std::string> actions;
  for (const auto& [caption, action] : ui::TrayMenuGet()) actions.push_back(action);
  EXPECT_EQ(actions, (std::vector<std::string>{"skip", "playpause", "repeat", "mute", "", "options",
                                               "toggle", "quit"}));
  bool optionsShown = false;
  ui::FieldsHookSet([&](const ui::FieldsRequest&) {
    optionsShown = true;
    return std::nullopt;
  });
  ui::TrayMenuChoose("options");
  ui::FieldsHookSet(nullptr);
  EXPECT_TRUE(optionsShown);
  StartWithLinesHeld("");
  EXPECT_EQ(ui::TrayTooltipGet(), u"KELVORA Pro: reading Thank you for using KEL VOR A.");
  ui::TrayMenuChoose("playpause");
  App().ProcessEventsFor(0);
  EXPECT_EQ(ui::TrayTooltipGet(), u"KELVORA Pro: monitoring chat, paused");
  ui::TrayMenuChoose("toggle");
  EXPECT_FALSE(f.MainFrm.Visible());
  ui::TrayMenuChoose("toggle");
  EXPECT_TRUE(f.MainFrm.Visible());
  platform_->calls.clear();
  ui::TrayMenuChoose("skip");
  EXPECT_EQ(Spoken(*platform_), std::vector<std::string>{SpeakCall(kSpeakPurge, ".")});
}

}  // namespace
