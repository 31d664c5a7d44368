// The options dialog's request as the window makes it, with a key another program holds (which
// only the headless binding can stage).
#include <gtest/gtest.h>

#include "app/options_dialog.h"
#include "app/testing/mainfrm_test_fixture.h"
#include "ui/headless/hotkeys_headless.h"
#include "ui/testing/dialog_hooks.h"

namespace {

// The fields stand in their groups, hotkeys take keys as pressed, and a key another program held
// at the last registration is marked beside its field.
TEST_F(MainFrmTest, OptionFieldsAreGroupedAndAHeldKeyIsMarked) {
  std::vector<ui::FieldsRequest> shown_;
  ui::FieldsHookSet([&](const ui::FieldsRequest& request) -> std::optional<std::vector<Text>> {
    shown_.push_back(request);
    return std::nullopt;
  });
  ui::HotkeysHeldSet({{true, true, true, false, u"F10"}});
  TMainFrm& f = Frm();
  ui::HotkeysHeldSet({});
  f.ActionVerbRun("options");
  ASSERT_EQ(shown_.size(), 1u);
  std::vector<Text> headings, notes;
  for (const ui::DialogField& field : shown_[0].fields) {
    headings.push_back(field.heading);
    notes.push_back(field.note);
    bool hotkey = field.label.ends_with(u" key");
    EXPECT_EQ(field.kind == ui::DialogField::Kind::kKey, hotkey) << TextToUtf8(field.label);
  }
  const Text busy = u"Busy places", control = u"Control", reading = u"Reading",
             talks = u"Conversations";
  EXPECT_EQ(headings, (std::vector<Text>{busy, busy, busy, busy, u"Voices", control, control,
                                         control, control, reading, reading, reading, reading,
                                         talks, talks, talks, talks}));
  EXPECT_EQ(notes,
            (std::vector<Text>{u"", u"", u"", u"", u"", u"", kKeyHeldNote, u"", u"", u"", u"", u"",
                               u"names of one or two plain words count as people", u"",
                               u"those Groups.txt names (all without it), and conferences",
                               u"empty: the account's user name and first name", u""}));
  ui::FieldsHookSet(nullptr);
}

}  // namespace
