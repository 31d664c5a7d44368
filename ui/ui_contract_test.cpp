// What the main window relies on, pinned for every binding (Qt runs under the offscreen
// platform).
#include <gtest/gtest.h>

#include <memory>

#include "ui/testing/dialog_hooks.h"
#include "ui/ui.h"

namespace {

std::unique_ptr<ui::Application> application;

// Qt's own clean-up at the application's end reaches objects the program's statics hold: the
// application ends with the tests, before those go.
class ApplicationEnd : public ::testing::Environment {
 public:
  void TearDown() override { application.reset(); }
};
::testing::Environment* const kApplicationEnd =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnd);

}  // namespace

// The one application of the test program, for every test file in it.
ui::Application& App() {
  static int argc = 1;
  static char name[] = "ui_contract_test";
  static char* argv[] = {name, nullptr};
  if (!application) application = std::make_unique<ui::Application>(argc, argv, u"KELVORA Pro");
  return *application;
}

namespace {

class ContractTest : public ::testing::Test {
 protected:
  ContractTest() {
    ui::MessageHookSet([this](TextView text, ui::MessageKind kind) {
      messages_.push_back({Text(text), kind});
    });
  }
  ~ContractTest() override { ui::MessageHookSet(nullptr); }

  ui::Application& app_ = App();  // before any control
  std::vector<std::pair<Text, ui::MessageKind>> messages_;
  ui::Form form_{u"Contract", 300, 200, {}};
};

TEST_F(ContractTest, ProgramSetIndexRunsNoHandler) {
  ui::ComboBox box(form_, {10, 10, 100, 0});
  int changes = 0;
  box.OnChange([&] { ++changes; });
  for (const char16_t* item : {u"a", u"b", u"c"}) box.ItemAdd(item);
  EXPECT_EQ(box.ItemIndex(), -1);
  box.SetItemIndex(2);
  EXPECT_EQ(box.ItemIndex(), 2);
  EXPECT_EQ(changes, 0);
  box.UserSelect(1);
  EXPECT_EQ(box.ItemIndex(), 1);
  EXPECT_EQ(changes, 1);
  box.SetItemIndex(-1);
  EXPECT_EQ(box.ItemIndex(), -1);
  box.ItemsClear();
  EXPECT_EQ(box.ItemCount(), 0);
  EXPECT_EQ(changes, 1);
}

TEST_F(ContractTest, RadioButtonsOfOneParentExcludeEachOther) {
  ui::GroupBox first(form_, {0, 0, 150, 100}, u"one");
  ui::GroupBox second(form_, {150, 0, 150, 100}, u"two");
  ui::RadioButton a(first, {5, 20, 0, 0}, u"a"), b(first, {5, 40, 0, 0}, u"b");
  ui::RadioButton c(second, {5, 20, 0, 0}, u"c");
  int clicks = 0;
  b.OnClick([&] { ++clicks; });
  a.SetChecked(true);
  c.SetChecked(true);
  EXPECT_TRUE(a.Checked());
  b.SetChecked(true);
  EXPECT_FALSE(a.Checked());
  EXPECT_TRUE(b.Checked());
  EXPECT_TRUE(c.Checked());
  EXPECT_EQ(clicks, 0);
  b.SetChecked(false);  // a group may end with none checked
  EXPECT_FALSE(a.Checked());
  EXPECT_FALSE(b.Checked());
  b.Click();
  EXPECT_TRUE(b.Checked());
  EXPECT_EQ(clicks, 1);
}

TEST_F(ContractTest, DisabledContainerDisablesItsChildren) {
  ui::GroupBox group(form_, {0, 0, 200, 100}, u"group");
  ui::Button button(group, {10, 20, 75, 25}, ui::ImageList({u"start", u"start_disabled"}), 8);
  button.SetImages(0, 1);
  int clicks = 0;
  button.OnClick([&] { ++clicks; });
  group.SetEnabled(false);
  EXPECT_TRUE(button.Enabled());
  EXPECT_FALSE(button.Usable());
  EXPECT_EQ(button.ImageShown(), 1);
  button.Click();
  EXPECT_EQ(clicks, 0);
  group.SetEnabled(true);
  EXPECT_TRUE(button.Usable());
  EXPECT_EQ(button.ImageShown(), 0);
  button.Click();
  EXPECT_EQ(clicks, 1);
}

TEST_F(ContractTest, DisabledTimerNeverFires) {
  ui::Timer timer(form_);
  int ticks = 0;
  timer.OnTimer([&] { ++ticks; });
  timer.SetInterval(20);
  App().ProcessEventsFor(100);
  EXPECT_EQ(ticks, 0);
  timer.SetEnabled(true);
  App().ProcessEventsFor(110);
  EXPECT_GE(ticks, 2);
  timer.SetEnabled(false);
  int stopped = ticks;
  App().ProcessEventsFor(100);
  EXPECT_EQ(ticks, stopped);
}

TEST_F(ContractTest, HandlerErrorsReachTheErrorHandlerAndTheProgramGoesOn) {
  ui::Button button(form_, {10, 10, 75, 25}, ui::ImageList({}), 8);
  int runs = 0;
  button.OnClick([&] {
    ++runs;
    throw std::runtime_error("Cannot open file \"chat.txt\": Permission denied");
  });
  button.Click();
  button.Click();
  EXPECT_EQ(runs, 2);
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0].first, u"Cannot open file \"chat.txt\": Permission denied");
  EXPECT_EQ(messages_[0].second, ui::MessageKind::kError);
  ui::Timer timer(form_);
  timer.SetInterval(10);
  timer.OnTimer([&] { throw std::runtime_error("tick failed"); });
  timer.SetEnabled(true);
  App().ProcessEventsFor(35);
  timer.SetEnabled(false);
  EXPECT_GT(messages_.size(), 2u);
  EXPECT_EQ(messages_.back().first, u"tick failed");
}

TEST_F(ContractTest, SpinEditValuesAndUserChanges) {
  ui::SpinEdit spin(form_, {10, 10, 54, 22}, 1, 10, 2);
  int changes = 0;
  spin.OnChange([&] { ++changes; });
  spin.SetValue(25);
  EXPECT_EQ(spin.Value(), 10);
  spin.SetValue(-3);
  EXPECT_EQ(spin.Value(), 1);
  EXPECT_EQ(changes, 0);
  spin.UserType(u"7");
  EXPECT_EQ(spin.Value(), 7);
  EXPECT_EQ(changes, 1);
}

TEST_F(ContractTest, TextsLinksAndIdle) {
  ui::Label label(form_, {10, 10, 0, 0}, u"Ver.");
  label.SetText(u"Ver.1.0.0.0");
  EXPECT_EQ(label.GetText(), u"Ver.1.0.0.0");
  ui::Edit edit(form_, {10, 40, 100, 0});
  edit.SetText(u"chat.txt");
  EXPECT_EQ(edit.GetText(), u"chat.txt");
  ui::LinkLabel link(form_, {10, 70, 200, 20}, {13, true});
  link.SetLink(u"https://example.org/");
  Text opened;
  link.OnClick([&](const Text& target) { opened = target; });
  link.Click();
  EXPECT_EQ(opened, u"https://example.org/");
  int idles = 0;
  form_.OnIdle([&] { ++idles; });
  App().ProcessEventsFor(30);
  EXPECT_GT(idles, 0);
  EXPECT_EQ(form_.Caption(), u"Contract");
}

// The window's own menu runs an item's handler when chosen; what it throws reaches the error
// handler.
TEST_F(ContractTest, FormMenuItemsRunTheirHandlers) {
  int options = 0;
  form_.MenuAdd(u"Options...", [&] { ++options; });
  form_.MenuAdd(u"Fails", [] { throw std::runtime_error("menu failed"); });
  form_.MenuChoose(u"Options...");
  form_.MenuChoose(u"No such item");
  EXPECT_EQ(options, 1);
  form_.MenuChoose(u"Fails");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].first, u"menu failed");
}

TEST_F(ContractTest, DialogsAnswerThroughTheirHooks) {
  ui::OpenFileHookSet([](const ui::OpenFileRequest& request) -> std::optional<ui::OpenFileResult> {
    return ui::OpenFileResult{request.initialFolder + u"/chat.txt", 1};
  });
  auto result = ui::OpenFileDialog({u"/logs", u"Text", u"*.txt", u"txt", {u"UTF8", u"SJIS"}, 0});
  ui::OpenFileHookSet(nullptr);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->path, u"/logs/chat.txt");
  EXPECT_EQ(result->encodingIndex, 1);
  ui::MessageShow(u"warn", ui::MessageKind::kWarning);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].second, ui::MessageKind::kWarning);
  // The fields' hook answers once per OK until the check passes.
  std::vector<std::vector<Text>> answers = {{u"bad"}, {u"good"}};
  ui::FieldsHookSet([&](const ui::FieldsRequest&) -> std::optional<std::vector<Text>> {
    if (answers.empty()) return std::nullopt;
    std::vector<Text> next = answers.front();
    answers.erase(answers.begin());
    return next;
  });
  auto fields = ui::FieldsDialog(
      {u"Options",
       {{u"Key", ui::DialogField::Kind::kText, {}, 0, 0}},
       [](const std::vector<Text>& v) { return v[0] == u"bad" ? Text(u"no") : Text(); }});
  ui::FieldsHookSet(nullptr);
  EXPECT_EQ(fields, std::optional<std::vector<Text>>(std::vector<Text>{u"good"}));
  EXPECT_EQ(messages_.back().first, u"no");
}

}  // namespace
