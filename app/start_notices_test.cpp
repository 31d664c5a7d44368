#include "app/start_notices.h"

#include <gtest/gtest.h>

namespace {

// Each notice is said only where it applies: the lists' summary and the side files' notes in
// chat mode, the log's in Viewer mode, the greeting always; an escaped form for markup.
TEST(StartNotices, EachWhereItApplies) {
  TChatFilter filter;
  filter.WhiteListMode = true;  // empty: nothing would be spoken
  filter.UserListNotes = {u"BlackList.txt line 2 is not a name: <b>"};
  TAccountLogSettings silentViewer;
  silentViewer.LogsNearbyChat = false;
  const Text greeting = u"Thank you for using KEL VOR A.";
  const Text emptyList = u"Your white list is empty, so KEL VOR A. speaks nothing.";
  const Text notes = u"BlackList.txt line 2 is not a name: <b>.";
  const Text notLogging = u"Firestorm is not logging nearby chat.";
  struct Case {
    bool viewerLog;
    TTextMode mode;
    std::vector<Text> said;
  } cases[] = {
      {true, TTextMode::kSecondLifeChat, {greeting, emptyList, notes, notLogging}},
      {false, TTextMode::kSecondLifeChat, {greeting, notes}},
      {true, TTextMode::kStamp, {greeting, notLogging}},
      {false, TTextMode::kCustom, {greeting}},
  };
  for (const Case& c : cases) {
    TStartChoices choices{c.viewerLog,    c.mode,       u"Firestorm", u"ann_example",
                          u"Ann Example", silentViewer, true};
    std::vector<Text> said;
    for (const TNotice& notice : StartNotices(choices, filter)) said.push_back(notice.plain);
    EXPECT_EQ(said, c.said) << c.viewerLog << " " << static_cast<int>(c.mode);
  }
  TStartChoices chat{false, TTextMode::kSecondLifeChat, u"", u"", u"", {}, true};
  EXPECT_EQ(StartNotices(chat, filter).back().xml,
            u"BlackList.txt line 2 is not a name: &lt;b&gt;.");
}

}  // namespace
