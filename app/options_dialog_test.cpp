// The options dialog: what it checks, and what the window does with what the user gives it, on
// whichever binding the test program links (the dialog answered by a hook).
#include "app/options_dialog.h"

#include "app/testing/mainfrm_test_fixture.h"
#include "ui/testing/dialog_hooks.h"

namespace {

struct ProblemCase {
  const char* name;
  // MaxQueue, MaxLength, CatchUp, NameRepeat, AutoVoices, 4 keys, PlainLetters, Emoji, Links,
  // Objects, SpeakIMs, SpeakGroups, MyNames, Mentions
  std::vector<Text> values;
  Text problem;
};

std::vector<Text> Values(Text maxQueue, Text autoVoices, Text skip, Text pause, Text emoji = u"1") {
  return {maxQueue, u"300", u"3", u"0", autoVoices, skip, pause, u"", u"Ctrl+Alt+Shift+F12",
          u"1",     emoji,  u"1", u"1", u"1",       u"0", u"",   u"1"};
}

TEST(OptionsProblem, NamesTheFirstBadValue) {
  TSettings defaults;
  SettingsDefault(defaults, 1);
  const std::vector<TOption> options = OptionsGet(defaults.Options);
  const ProblemCase cases[] = {
      {"all good", Values(u"5", u"0", u"Ctrl+Alt+K", u"F8"), u""},
      {"blanks around", Values(u" 7 ", u"1", u" ctrl + alt + k ", u""), u""},
      {"no number", Values(u"five", u"0", u"", u""),
       u"Lines that may wait (0: any): a whole number from 0 to 1000."},
      {"above the range", Values(u"1001", u"0", u"", u""),
       u"Lines that may wait (0: any): a whole number from 0 to 1000."},
      {"below the range", Values(u"-1", u"0", u"", u""),
       u"Lines that may wait (0: any): a whole number from 0 to 1000."},
      {"empty number", Values(u"", u"0", u"", u""),
       u"Lines that may wait (0: any): a whole number from 0 to 1000."},
      {"switch", Values(u"5", u"2", u"", u""),
       u"A voice of their own for speakers: on (1) or off (0)."},
      {"a reading switch", Values(u"5", u"0", u"", u"", u"yes"),
       u"Emoji said by name (off: left out): on (1) or off (0)."},
      {"mentions out of range",
       [] {
         std::vector<Text> values = Values(u"5", u"0", u"", u"");
         values.back() = u"3";
         return values;
       }(),
       u"Lines that mention you (0 as any, 1 first, 2 only them): a whole number from 0 to 2."},
      {"a letter alone types", Values(u"5", u"0", u"K", u""),
       u"Skip key: a key with Ctrl, Alt, Shift or Win, as \"Ctrl+Alt+Shift+F9\", or empty for "
       u"none."},
      {"no key", Values(u"5", u"0", u"Ctrl+Alt+Shift+F9", u"Ctrl+Banana"),
       u"Pause/Resume key: a key with Ctrl, Alt, Shift or Win, as \"Ctrl+Alt+Shift+F9\", or empty "
       u"for none."},
      {"one key for two actions", Values(u"5", u"0", u"ctrl+alt+K", u"Alt + Ctrl + k"),
       u"Pause/Resume key: the same key as Skip key."},
      {"values missing", {u"5"}, u"Every option needs a value."},
  };
  for (const ProblemCase& c : cases) {
    EXPECT_EQ(TextToUtf8(OptionsProblem(options, c.values)), TextToUtf8(c.problem)) << c.name;
  }
}

TEST(OptionsNormalised, WritesEachKeyOneWay) {
  TSettings defaults;
  SettingsDefault(defaults, 1);
  const std::vector<TOption> options = OptionsGet(defaults.Options);
  EXPECT_EQ(OptionsNormalised(options, Values(u" 12 ", u"1", u" alt + ctrl + k ", u"f8")),
            Values(u"12", u"1", u"Ctrl+Alt+K", u"F8"));
}

class OptionsDialogTest : public MainFrmTest {
 protected:
  ~OptionsDialogTest() override { ui::FieldsHookSet(nullptr); }
  // The dialog answered with these values in turn (nothing: Cancel); what it showed is kept.
  void Answers(std::vector<std::optional<std::vector<Text>>> answers) {
    ui::FieldsHookSet([this, answers, next = size_t{0}](const ui::FieldsRequest& request) mutable {
      shown_.push_back(request);
      return next < answers.size() ? answers[next++] : std::nullopt;
    });
  }
  std::vector<ui::FieldsRequest> shown_;
};

// The window's own menu opens the dialog with every option as Setup.ini holds it; what the user
// changes is taken at once: written to Setup.ini, the queue limit applied, the keys registered.
TEST_F(OptionsDialogTest, ChangesAreTakenAtOnceAndWritten) {
  SetupIniWrite("[Options]\nMaxQueue=9\nAutoVoices=1\n");
  TMainFrm& f = Frm();
  Answers({std::vector<Text>{u"2", u"120", u"0", u"30", u"0", u"ctrl+alt+k", u"", u"F7",
                             u"Ctrl+Alt+Shift+F12", u"1", u"0", u"1", u"0", u"0", u"1",
                             u" zoe.example, Zoe ", u"2"}});
  f.MainFrm.MenuChoose(u"Options...");
  ASSERT_EQ(shown_.size(), 1u);
  std::vector<Text> labels, values;
  for (const ui::DialogField& field : shown_[0].fields) {
    labels.push_back(field.label);
    values.push_back(field.value);
  }
  EXPECT_EQ(
      labels,
      (std::vector<Text>{
          u"Lines that may wait (0: any)", u"Longest message spoken (characters, 0: all)",
          u"Faster while lines wait (rate steps)", u"Name left out when repeated within (seconds)",
          u"A voice of their own for speakers", u"Skip key", u"Pause/Resume key", u"Repeat key",
          u"Mute last speaker key", u"Decorative letters read as plain ones",
          u"Emoji said by name (off: left out)", u"Links said short", u"Objects' chat spoken",
          u"Instant messages spoken", u"Group chats spoken", u"Your names (comma-separated)",
          u"Lines that mention you (0 as any, 1 first, 2 only them)"}));
  EXPECT_EQ(values,
            (std::vector<Text>{u"9", u"300", u"3", u"0", u"1", u"Ctrl+Alt+Shift+F9",
                               u"Ctrl+Alt+Shift+F10", u"Ctrl+Alt+Shift+F11", u"Ctrl+Alt+Shift+F12",
                               u"1", u"1", u"1", u"1", u"1", u"0", u"", u"1"}));
  EXPECT_EQ(shown_[0].fields[4].kind, ui::DialogField::Kind::kCheck);
  EXPECT_EQ(shown_[0].fields[0].maximum, 1000);
  EXPECT_EQ(f.Options.MaxQueue, 2);
  EXPECT_EQ(f.Options.AutoVoices, 0);
  ProfileFile ini(SettingsPath());
  EXPECT_EQ(ini.IntegerGet(u"Options", u"MaxQueue", 0), 2);
  EXPECT_EQ(ini.IntegerGet(u"Options", u"NameRepeat", 0), 30);
  EXPECT_EQ(ini.StringGet(u"Options", u"HotkeySkip", u"?"), u"Ctrl+Alt+K");
  EXPECT_EQ(ini.StringGet(u"Options", u"HotkeyPause", u"?"), u"");
  EXPECT_EQ(ini.StringGet(u"Options", u"HotkeyRepeat", u"?"), u"F7");
  EXPECT_EQ(ini.IntegerGet(u"Options", u"Emoji", 1), 0);
  EXPECT_EQ(ini.IntegerGet(u"Options", u"Objects", 1), 0);
  EXPECT_EQ(f.Options.Emoji, 0);
  EXPECT_EQ(ini.StringGet(u"Options", u"MyNames", u"?"), u"zoe.example, Zoe");
  EXPECT_EQ(ini.IntegerGet(u"Options", u"Mentions", 1), 2);
  EXPECT_EQ(f.Options.SpeakIMs, 0);
  EXPECT_TRUE(messages_.empty());
}

// A bad value is named and the dialog stays; Cancel leaves everything as it was.
TEST_F(OptionsDialogTest, BadValuesAreNamedAndCancelChangesNothing) {
  TMainFrm& f = Frm();
  std::vector<Text> bad = {u"5", u"300", u"3", u"0", u"0", u"Q", u"", u"", u"",
                           u"1", u"1",   u"1", u"1", u"1", u"0", u"", u"1"};
  Answers({bad, std::nullopt});
  f.ActionVerbRun("options");
  EXPECT_EQ(shown_.size(), 2u);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].second, ui::MessageKind::kWarning);
  EXPECT_EQ(messages_[0].first.rfind(u"Skip key: ", 0), 0u) << TextToUtf8(messages_[0].first);
  EXPECT_EQ(f.Options.HotkeySkip, u"Ctrl+Alt+Shift+F9");
  EXPECT_FALSE(FileExists(SettingsPath()));
}

}  // namespace
