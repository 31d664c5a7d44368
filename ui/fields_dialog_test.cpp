// The binding's own dialog of fields, answered by the test as its user would through the
// dialog's controls while the dialog runs its loop.
#include <gtest/gtest.h>

#include "ui/testing/fields_user.h"
#include "ui/ui.h"

ui::Application& App();

namespace {

const ui::FieldsRequest& Request() {
  static const ui::FieldsRequest request{
      u"Options",
      {{u"Lines that may wait (0: any)", ui::DialogField::Kind::kNumber, u"5", 0, 1000},
       {u"A voice of their own for speakers", ui::DialogField::Kind::kCheck, u"0"},
       {u"Name left out when repeated within (seconds)", ui::DialogField::Kind::kText,
        u"Ctrl+Alt+Shift+F9"}},
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
      answered_ += ui::FieldsDialogAnswer(answers[next]);
      Answer(answers, next + 1);
    });
  }

  ui::Application& app_ = App();
  std::vector<Text> messages_;
  bool fits_ = true;
  int answered_ = 0;
};

// The values come back as typed; a value the check finds wrong is named and the dialog stays.
TEST_F(FieldsDialogTest, OkGivesTheValuesOnceTheCheckPasses) {
  Answer({std::vector<Text>{u"12", u"1", u"bad"}, std::vector<Text>{u"12", u"1", u"Ctrl+Alt+K"}});
  std::optional<std::vector<Text>> values = ui::FieldsDialog(Request());
  EXPECT_EQ(answered_, 2);
  ASSERT_TRUE(values);
  EXPECT_EQ(*values, (std::vector<Text>{u"12", u"1", u"Ctrl+Alt+K"}));
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
