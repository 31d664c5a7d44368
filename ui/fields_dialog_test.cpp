// The binding's own dialog of fields, answered by the test as its user would through the
// dialog's controls while the dialog runs its loop.
#include <gtest/gtest.h>

#include <set>

#include "ui/testing/dialog_hooks.h"
#include "ui/testing/fields_user.h"
#include "ui/ui.h"

ui::Application& App();

namespace {

const ui::FieldsRequest& Request() {
  static const ui::FieldsRequest request{
      u"Options",
      {{u"Lines that may wait (0: any)", ui::DialogField::Kind::kNumber, u"5", 0, 1000,
        u"Busy places"},
       {u"A voice of their own for speakers", ui::DialogField::Kind::kCheck, u"0", 0, 0, u"Voices"},
       {u"Name left out when repeated within (seconds)", ui::DialogField::Kind::kText,
        u"Ctrl+Alt+Shift+F9", 0, 0, u"Voices"},
       {u"Skip key", ui::DialogField::Kind::kKey, u"Ctrl+Alt+Shift+F9", 0, 0, u"Control",
        u"held by another program"},
       {u"Repeat key", ui::DialogField::Kind::kKey, u"Ctrl+Alt+Shift+F11", 0, 0, u"Control"}},
      [](const std::vector<Text>& values) {
        return values[2] == u"bad" ? Text(u"Skip key: not a key.") : Text();
      }};
  return request;
}

class FieldsDialogTest : public ::testing::Test {
 protected:
  FieldsDialogTest() {
    ui::MessageHookSet([this](TextView text, ui::MessageKind) { messages_.emplace_back(text); });
  }
  ~FieldsDialogTest() override { ui::MessageHookSet(nullptr); }
  // While the dialog runs: each answer in turn, once the one before was handled.
  void Answer(std::vector<std::optional<std::vector<Text>>> answers, size_t next = 0) {
    if (next == answers.size()) return;
    ui::Application::Post([this, answers, next] {
      fits_ = fits_ && ui::FieldsDialogTextFits();
      for (const Text& text : ui::FieldsDialogTexts()) shownTexts_.insert(text);
      answered_ += ui::FieldsDialogAnswer(answers[next]);
      Answer(answers, next + 1);
    });
  }

  ui::Application& app_ = App();
  std::vector<Text> messages_;
  bool fits_ = true;
  std::set<Text> shownTexts_;
  int answered_ = 0;
};

// The values come back as typed, keys as pressed (an emptied key field gives none); a value the
// check finds wrong is named and the dialog stays. The groups' titles and the notes are shown.
TEST_F(FieldsDialogTest, OkGivesTheValuesOnceTheCheckPasses) {
  Answer({std::vector<Text>{u"12", u"1", u"bad", u"Ctrl+Shift+F5", u""},
          std::vector<Text>{u"12", u"1", u"Ctrl+Alt+K", u"Ctrl+Shift+F5", u""}});
  std::optional<std::vector<Text>> values = ui::FieldsDialog(Request());
  EXPECT_EQ(answered_, 2);
  ASSERT_TRUE(values);
  EXPECT_EQ(*values, (std::vector<Text>{u"12", u"1", u"Ctrl+Alt+K", u"Ctrl+Shift+F5", u""}));
  for (const char16_t* shown :
       {u"Busy places", u"Voices", u"Control", u"held by another program"}) {
    EXPECT_TRUE(shownTexts_.count(shown)) << TextToUtf8(shown);
  }
  EXPECT_EQ(messages_, std::vector<Text>{u"Skip key: not a key."});
  EXPECT_TRUE(fits_) << "a label or field of the dialog is cut";
}

TEST_F(FieldsDialogTest, CancelGivesNothing) {
  Answer({std::nullopt});
  EXPECT_FALSE(ui::FieldsDialog(Request()));
  EXPECT_EQ(answered_, 1);
  EXPECT_TRUE(messages_.empty());
}

}  // namespace
